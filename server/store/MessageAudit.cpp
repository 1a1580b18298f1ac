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

// What a page shows of each message, after the columns a statement puts first.
const QString kMessageColumns = QStringLiteral("m.id, m.sender_id, u.name, m.conversation_id, m.content, m.type,"
                                               " m.created_at, m.deleted_at, m.file_name");

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
    if (request.search.isEmpty()) {
        total = count();
        QSqlQuery page = m_db.exec(QStringLiteral("SELECT %1 FROM messages m JOIN users u ON u.id = m.sender_id"
                                                  " ORDER BY m.id DESC LIMIT ? OFFSET ?")
                                       .arg(kMessageColumns),
            { request.limit, request.offset() });
        while (page.next())
            messages.append(messageJson(page, 0));
    } else {
        QVariantList values;
        const QString matches = matchesOf(request.search, values);
        // The count of all matches comes with each row of the page.
        QSqlQuery page = m_db.exec(QStringLiteral("WITH hit(id) AS (%1),"
                                                  " page(id, total) AS (SELECT id, COUNT(*) OVER () FROM hit ORDER BY id DESC LIMIT ? OFFSET ?)"
                                                  " SELECT page.total, %2 FROM page JOIN messages m ON m.id = page.id"
                                                  " JOIN users u ON u.id = m.sender_id ORDER BY m.id DESC")
                                       .arg(matches, kMessageColumns),
            values + QVariantList { request.limit, request.offset() });
        while (page.next()) {
            total = page.value(0).toLongLong();
            messages.append(messageJson(page, 1));
        }
        // A page beyond the last has no row to bring the count.
        if (messages.isEmpty())
            total = m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM (%1)").arg(matches), values).toLongLong();
    }
    snapshot.commit();
    return { { QStringLiteral("messages"), messages }, { QStringLiteral("total"), total } };
}

QString MessageAudit::matchesOf(const QString& search, QVariantList& values)
{
    TextIndex index(m_db);
    const TextIndexState state = index.state();
    // Texts changed since the index took them: it may still hold their old words.
    static const QString changed = QStringLiteral("(SELECT message_id FROM message_text_changes WHERE seq > ?)");
    // Each index folds the case of what it holds as the search does: the trigrams of
    // every script, the pairs of ASCII letters only (the other letters are looked for in
    // each of their cases).
    const bool longKey = QStringView(search).toUcs4().size() >= shortkeys::kLongKey;
    const QString indexed = longKey
        ? QStringLiteral("SELECT -rowid FROM text_index.message_text WHERE message_text MATCH ? AND rowid >= -? AND -rowid NOT IN %1")
        : QStringLiteral("SELECT -rowid FROM text_index.message_pairs WHERE message_pairs MATCH ? AND rowid >= -? AND -rowid NOT IN %1");
    values = { longKey ? TextIndex::phraseOf(search) : shortkeys::queryOfAny(foldedtext::caseVariants(search)), state.indexedThrough,
        state.changesThrough };
    // What the index does not hold (yet): the messages stored since it last caught up,
    // and those whose text changed, read directly.
    static const QString direct = QStringLiteral(" UNION SELECT id FROM messages WHERE id > ? AND contains_folded(content, ?)"
                                                 " UNION SELECT id FROM messages WHERE id IN %1 AND contains_folded(content, ?)")
                                      .arg(changed);
    values += { state.indexedThrough, search, state.changesThrough, search };
    // Senders by their name: the users table, then each one's messages by its index.
    static const QString senders = QStringLiteral(" UNION SELECT id FROM messages WHERE sender_id IN"
                                                  " (SELECT id FROM users WHERE contains_folded(name, ?))");
    values.append(search);
    return indexed.arg(changed) + direct + senders;
}

QJsonObject MessageAudit::messageJson(const QSqlQuery& row, int first)
{
    QJsonObject message;
    message.insert(QLatin1StringView("id"), row.value(first).toLongLong());
    message.insert(QLatin1StringView("senderId"), row.value(first + 1).toLongLong());
    message.insert(QLatin1StringView("senderName"), row.value(first + 2).toString());
    message.insert(QLatin1StringView("conversationId"), row.value(first + 3).toLongLong());
    // A file without a caption is audited by its name.
    rowjson::putText(message, QLatin1StringView("content"), row.value(first + 4).isNull() ? row.value(first + 8) : row.value(first + 4));
    message.insert(QLatin1StringView("type"), row.value(first + 5).toString());
    message.insert(QLatin1StringView("createdAt"), row.value(first + 6).toString());
    message.insert(QLatin1StringView("isDeleted"), !row.value(first + 7).isNull());
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
