#include "store/GlobalSearch.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/ShortKeyIndex.h"
#include "store/TextIndex.h"
#include "store/UserDirectory.h"

#include <QJsonArray>
#include <QSqlQuery>

#include <algorithm>

GlobalSearch::GlobalSearch(Database& db)
    : m_db(db)
{
}

QList<QVariantList> GlobalSearch::findMessages(qint64 userId, const QString& keyword, const QString& pattern, qint64 limit)
{
    // The LIKE of the pattern keeps the last word on a match, as before the indexes: they
    // only narrow what is looked at (the trigram index folds case in every script).
    static const QString columns = QStringLiteral("SELECT msg.id, msg.content, msg.conversation_id, msg.sender_id, u.name,"
                                                  " msg.created_at, msg.type");
    static const QString member = QStringLiteral(" conversation_members m ON m.conversation_id = msg.conversation_id AND m.user_id = ?");
    static const QString visible = QStringLiteral(" JOIN users u ON u.id = msg.sender_id"
                                                  " WHERE msg.id > m.cleared_before_id AND msg.revoked_at IS NULL"
                                                  " AND msg.content LIKE ? ESCAPE '\\'");
    // Texts changed since the index took them: it may still hold the old words.
    static const QString changed = QStringLiteral("(SELECT message_id FROM message_text_changes WHERE seq > ?)");

    TextIndex index(m_db);
    const TextIndexState state = index.state();
    // What the index does not hold (yet), read directly: the messages stored since it last
    // caught up (a moment's worth, walked from the newest), and those whose text changed.
    static const QString recent = columns + QStringLiteral(" FROM messages msg CROSS JOIN") + member + visible
        + QStringLiteral(" AND msg.id > ? ORDER BY msg.id DESC LIMIT ?");
    QList<QVariantList> found = m_db.rows(recent, { userId, pattern, state.indexedThrough, limit });
    static const QString changedSince = columns + QStringLiteral(" FROM messages msg CROSS JOIN") + member + visible
        + QStringLiteral(" AND msg.id <= ? AND msg.id IN ") + changed + QStringLiteral(" ORDER BY msg.id DESC LIMIT ?");
    found.append(m_db.rows(changedSince, { userId, pattern, state.indexedThrough, state.changesThrough, limit }));

    // Each index hands its matches over newest first (see TextIndex), so the limit ends the walk.
    QList<QVariantList> indexed;
    if (QStringView(keyword).toUcs4().size() >= shortkeys::kLongKey) {
        static const QString byTrigrams = columns
            + QStringLiteral(" FROM text_index.message_text CROSS JOIN messages msg ON msg.id = -message_text.rowid JOIN") + member
            + visible + QStringLiteral(" AND message_text MATCH ? AND message_text.rowid >= -? AND msg.id NOT IN ") + changed
            + QStringLiteral(" ORDER BY message_text.rowid LIMIT ?");
        indexed = m_db.rows(byTrigrams, { userId, pattern, TextIndex::phraseOf(keyword), state.indexedThrough, state.changesThrough, limit });
    } else {
        static const QString byPairs = columns
            + QStringLiteral(" FROM text_index.message_pairs CROSS JOIN messages msg ON msg.id = -message_pairs.rowid JOIN") + member
            + visible + QStringLiteral(" AND message_pairs MATCH ? AND message_pairs.rowid >= -? AND msg.id NOT IN ") + changed
            + QStringLiteral(" ORDER BY message_pairs.rowid LIMIT ?");
        indexed = m_db.rows(byPairs, { userId, pattern, shortkeys::queryOf(keyword), state.indexedThrough, state.changesThrough, limit });
    }

    // A changed message may be older than those the index found.
    found.append(indexed);
    std::stable_sort(found.begin(), found.end(), [](const QVariantList& a, const QVariantList& b) {
        return a.value(0).toLongLong() > b.value(0).toLongLong();
    });
    return found.first(qMin<qsizetype>(found.size(), limit));
}

QJsonObject GlobalSearch::search(qint64 userId, const QString& rawKeyword, qint64 limit)
{
    if (limit < 1 || limit > kMaxLimit)
        throw ServerError::badRequest(Text::LimitRange, kMaxLimit);
    const QString keyword = rawKeyword.trimmed();
    if (keyword.size() > UserDirectory::kMaxKeyword)
        throw ServerError::badRequest(Text::KeywordTooLong, UserDirectory::kMaxKeyword);
    QJsonArray contacts;
    QJsonArray groups;
    QJsonArray messages;
    if (keyword.isEmpty())
        return { { QStringLiteral("contacts"), contacts }, { QStringLiteral("groups"), groups }, { QStringLiteral("messages"), messages } };
    const QString pattern = UserDirectory::containsPattern(keyword);

    QSqlQuery users = m_db.exec(QStringLiteral("SELECT u.id, u.name, u.avatar, u.bio FROM contacts c JOIN users u ON u.id = c.contact_id"
                                               " WHERE c.user_id = ? AND (u.name LIKE ? ESCAPE '\\' OR u.username LIKE ? ESCAPE '\\'"
                                               " OR c.nickname LIKE ? ESCAPE '\\') ORDER BY u.name LIMIT ?"),
        { userId, pattern, pattern, pattern, limit });
    while (users.next()) {
        QJsonObject user;
        user.insert(QLatin1StringView("id"), users.value(0).toLongLong());
        user.insert(QLatin1StringView("username"), users.value(1).toString());
        rowjson::putText(user, QLatin1StringView("avatar"), users.value(2));
        rowjson::putText(user, QLatin1StringView("bio"), users.value(3));
        contacts.append(user);
    }

    QSqlQuery found = m_db.exec(QStringLiteral("SELECT g.id, g.name, g.avatar, g.conversation_id,"
                                               " (SELECT COUNT(*) FROM conversation_members x WHERE x.conversation_id = g.conversation_id)"
                                               " FROM chat_groups g JOIN conversation_members m ON m.conversation_id = g.conversation_id"
                                               " WHERE m.user_id = ? AND g.name LIKE ? ESCAPE '\\' ORDER BY g.id LIMIT ?"),
        { userId, pattern, limit });
    while (found.next()) {
        QJsonObject group;
        group.insert(QLatin1StringView("id"), found.value(0).toLongLong());
        group.insert(QLatin1StringView("name"), found.value(1).toString());
        rowjson::putText(group, QLatin1StringView("avatar"), found.value(2));
        group.insert(QLatin1StringView("conversationId"), found.value(3).toLongLong());
        group.insert(QLatin1StringView("memberCount"), found.value(4).toLongLong());
        groups.append(group);
    }

    for (const QVariantList& text : findMessages(userId, keyword, pattern, limit)) {
        QJsonObject message;
        message.insert(QLatin1StringView("id"), text.value(0).toLongLong());
        rowjson::putText(message, QLatin1StringView("content"), text.value(1));
        message.insert(QLatin1StringView("conversationId"), text.value(2).toLongLong());
        message.insert(QLatin1StringView("senderId"), text.value(3).toLongLong());
        message.insert(QLatin1StringView("senderName"), text.value(4).toString());
        message.insert(QLatin1StringView("createdAt"), text.value(5).toString());
        message.insert(QLatin1StringView("type"), text.value(6).toString());
        messages.append(message);
    }
    return { { QStringLiteral("contacts"), contacts }, { QStringLiteral("groups"), groups }, { QStringLiteral("messages"), messages } };
}
