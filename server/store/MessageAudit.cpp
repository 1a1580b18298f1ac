#include "store/MessageAudit.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/FoldedText.h"
#include "store/RowJson.h"
#include "store/ShortKeyIndex.h"
#include "store/TextIndex.h"
#include "WireTime.h"

#include <QHash>
#include <QJsonArray>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlQuery>

namespace {

// What a page shows of each message, in the order messageJson() reads them.
const QString kMessageColumns = QStringLiteral("m.id, m.sender_id, u.name, m.conversation_id, m.content, m.type,"
                                               " m.created_at, m.deleted_at, m.file_name");

// The messages of the senders whose name holds the key (its one value).
const QString kBySender = QStringLiteral("sender_id IN (SELECT id FROM users WHERE contains_folded(name, ?))");

struct KeptCount {
    qint64 through = 0; // every message up to this id is counted
    qint64 count = 0;
};

} // namespace

MessageAudit::MessageAudit(Database& db)
    : m_db(db)
{
}

qint64 MessageAudit::count()
{
    // By database file: a process may open several (the tests do).
    static QMutex mutex;
    static QHash<QString, KeptCount> kept;
    const QMutexLocker lock(&mutex);
    KeptCount& counted = kept[m_db.filePath()];
    // One snapshot: the messages stored since and the newest id agree.
    Database::Transaction snapshot(m_db, Database::Transaction::Start::Deferred);
    const QList<QVariantList> since
        = m_db.rows(QStringLiteral("SELECT COUNT(*), MAX(id) FROM messages WHERE id > ?"), { counted.through });
    if (!since.isEmpty() && !since[0].value(1).isNull()) {
        counted.count += since[0].value(0).toLongLong();
        counted.through = since[0].value(1).toLongLong();
    }
    snapshot.commit();
    return counted.count;
}

QJsonObject MessageAudit::list(const PageRequest& request)
{
    QJsonArray messages;
    qint64 total = 0;
    // Attached first: a file cannot be attached inside a transaction.
    if (!request.search.isEmpty())
        TextIndex { m_db };
    // The count and the page from one snapshot of both files.
    Database::Transaction snapshot(m_db, Database::Transaction::Start::Deferred);
    const auto read = [&messages](QSqlQuery page) {
        while (page.next())
            messages.append(messageJson(page));
    };
    if (request.search.isEmpty()) {
        total = count();
        read(m_db.exec(QStringLiteral("SELECT %1 FROM messages m JOIN users u ON u.id = m.sender_id ORDER BY m.id DESC LIMIT ? OFFSET ?")
                           .arg(kMessageColumns),
            { request.limit, request.offset() }));
    } else {
        const Matches matches = matchesOf(request.search);
        // The page: the newest of each way of matching, the newest of them all. No more
        // than the page and those before it are read of any of them.
        QStringList newest;
        QVariantList values;
        for (const IdQuery& way : matches.texts + QList<IdQuery> { matches.senders }) {
            newest << QStringLiteral("SELECT * FROM (%1 %2 LIMIT ?)").arg(way.sql, way.order);
            values << way.values << request.offset() + request.limit;
        }
        read(m_db.exec(QStringLiteral("SELECT %1 FROM (%2) hit JOIN messages m ON m.id = hit.id JOIN users u ON u.id = m.sender_id"
                                      " ORDER BY m.id DESC LIMIT ? OFFSET ?")
                           .arg(kMessageColumns, newest.join(QStringLiteral(" UNION "))),
            values + QVariantList { request.limit, request.offset() }));
        total = countOf(matches, request.search);
    }
    snapshot.commit();
    return { { QStringLiteral("messages"), messages }, { QStringLiteral("total"), total } };
}

qint64 MessageAudit::countOf(const Matches& matches, const QString& search)
{
    // The ways of matching a text hold no message twice; the senders' messages whose
    // text matched too are taken off once, found from whichever side has fewer.
    qint64 texts = 0;
    for (const IdQuery& way : matches.texts)
        texts += m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM (%1)").arg(way.sql), way.values).toLongLong();
    const qint64 sent = m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM (%1)").arg(matches.senders.sql), matches.senders.values).toLongLong();
    qint64 both = 0;
    if (texts > 0 && sent > 0 && texts <= sent) {
        for (const IdQuery& way : matches.texts)
            both += m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM (%1) hit CROSS JOIN messages m ON m.id = hit.id WHERE m.%2").arg(way.sql, kBySender),
                            way.values + QVariantList { search })
                        .toLongLong();
    } else if (texts > 0 && sent > 0) {
        both = m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM (%1 AND COALESCE(contains_folded(content, ?), 0) = 1)").arg(matches.senders.sql),
                       matches.senders.values + QVariantList { search })
                   .toLongLong();
    }
    return texts + sent - both;
}

MessageAudit::Matches MessageAudit::matchesOf(const QString& search)
{
    const TextIndexState state = TextIndex(m_db).state();
    // Texts changed since the index took them: it may still hold their old words.
    static const QString changed = QStringLiteral("(SELECT message_id FROM message_text_changes WHERE seq > ?)");
    Matches matches;
    // Each index folds the case of what it holds as the search does: the trigrams of
    // every script, the pairs of ASCII letters only (the other letters are looked for in
    // each of their cases). Both hand their entries over newest first.
    const bool longKey = QStringView(search).toUcs4().size() >= shortkeys::kLongKey;
    const QString query = longKey ? TextIndex::phraseOf(search) : shortkeys::queryOfAny(foldedtext::caseVariants(search));
    matches.texts << IdQuery { QStringLiteral("SELECT -rowid AS id FROM text_index.%1 WHERE %1 MATCH ? AND rowid >= -? AND -rowid NOT IN %2")
                                   .arg(longKey ? QStringLiteral("message_text") : QStringLiteral("message_pairs"), changed),
        QStringLiteral("ORDER BY rowid"), { query, state.indexedThrough, state.changesThrough } };
    // What the index does not hold (yet), read directly: the messages stored since it
    // last caught up, and those it holds whose text changed since.
    static const QString newest = QStringLiteral("ORDER BY id DESC");
    matches.texts << IdQuery { QStringLiteral("SELECT id FROM messages WHERE id > ? AND contains_folded(content, ?)"), newest,
        { state.indexedThrough, search } };
    matches.texts << IdQuery { QStringLiteral("SELECT id FROM messages WHERE id <= ? AND id IN %1 AND contains_folded(content, ?)").arg(changed),
        newest, { state.indexedThrough, state.changesThrough, search } };
    // Senders by their name: the users table, then each one's messages.
    matches.senders = IdQuery { QStringLiteral("SELECT id FROM messages WHERE ") + kBySender, newest, { search } };
    return matches;
}

QJsonObject MessageAudit::messageJson(const QSqlQuery& row)
{
    QJsonObject message;
    message.insert(QLatin1StringView("id"), row.value(0).toLongLong());
    message.insert(QLatin1StringView("senderId"), row.value(1).toLongLong());
    message.insert(QLatin1StringView("senderName"), row.value(2).toString());
    message.insert(QLatin1StringView("conversationId"), row.value(3).toLongLong());
    // A file without a caption is audited by its name.
    rowjson::putText(message, QLatin1StringView("content"), row.value(4).isNull() ? row.value(8) : row.value(4));
    message.insert(QLatin1StringView("type"), row.value(5).toString());
    message.insert(QLatin1StringView("createdAt"), row.value(6).toString());
    message.insert(QLatin1StringView("isDeleted"), !row.value(7).isNull());
    return message;
}
DeletedMessage MessageAudit::remove(qint64 messageId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT conversation_id, deleted_at FROM messages WHERE id = ?"), { messageId });
    if (!query.next())
        throw ServerError::notFound(Text::MessageNotFound);
    DeletedMessage deleted;
    deleted.conversationId = query.value(0).toLongLong();
    const bool alreadyDeleted = !query.value(1).isNull();
    // A statement left open keeps its read snapshot: the UPDATE below would then fail at
    // once, without waiting, whenever the message writer committed in between.
    query.finish();
    if (alreadyDeleted)
        return deleted;
    const QString now = wiretime::now();
    m_db.exec(QStringLiteral("UPDATE messages SET deleted_at = ?, revoked_at = COALESCE(revoked_at, ?), status = 'revoked' WHERE id = ?"),
        { now, now, messageId });
    deleted.changed = true;
    return deleted;
}
