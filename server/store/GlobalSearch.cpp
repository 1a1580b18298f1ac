#include "store/GlobalSearch.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/ShortKeyIndex.h"
#include "store/UserDirectory.h"

#include <QJsonArray>
#include <QSqlQuery>

namespace {

// The key as one phrase of the trigram index's query language: its trigrams, in a row.
QString phraseOf(const QString& keyword)
{
    QString quoted = keyword;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

GlobalSearch::GlobalSearch(Database& db)
    : m_db(db)
{
}

QSqlQuery GlobalSearch::findMessages(qint64 userId, const QString& keyword, const QString& pattern, qint64 limit)
{
    // The LIKE of the pattern keeps the last word on a match, as before the indexes: they
    // only narrow what is looked at (the trigram index folds case in every script).
    static const QString columns = QStringLiteral("SELECT msg.id, msg.content, msg.conversation_id, msg.sender_id, u.name,"
                                                  " msg.created_at, msg.type");
    static const QString visible = QStringLiteral(" JOIN conversation_members m ON m.conversation_id = msg.conversation_id AND m.user_id = ?"
                                                  " JOIN users u ON u.id = msg.sender_id"
                                                  " WHERE msg.id > m.cleared_before_id AND msg.revoked_at IS NULL"
                                                  " AND msg.content LIKE ? ESCAPE '\\'");
    // Each index hands its matches over newest first, so the limit ends the walk.
    if (QStringView(keyword).toUcs4().size() >= shortkeys::kLongKey) {
        static const QString byTrigrams = columns
            + QStringLiteral(" FROM message_text CROSS JOIN messages msg ON msg.id = message_text.rowid") + visible
            + QStringLiteral(" AND message_text MATCH ? ORDER BY message_text.rowid DESC LIMIT ?");
        return m_db.exec(byTrigrams, { userId, pattern, phraseOf(keyword), limit });
    }
    static const QString byPairs = columns
        + QStringLiteral(" FROM message_pairs CROSS JOIN messages msg ON msg.id = message_pairs.rowid") + visible
        + QStringLiteral(" AND message_pairs MATCH ? ORDER BY message_pairs.rowid DESC LIMIT ?");
    return m_db.exec(byPairs, { userId, pattern, shortkeys::queryOf(keyword), limit });
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

    QSqlQuery texts = findMessages(userId, keyword, pattern, limit);
    while (texts.next()) {
        QJsonObject message;
        message.insert(QLatin1StringView("id"), texts.value(0).toLongLong());
        rowjson::putText(message, QLatin1StringView("content"), texts.value(1));
        message.insert(QLatin1StringView("conversationId"), texts.value(2).toLongLong());
        message.insert(QLatin1StringView("senderId"), texts.value(3).toLongLong());
        message.insert(QLatin1StringView("senderName"), texts.value(4).toString());
        message.insert(QLatin1StringView("createdAt"), texts.value(5).toString());
        message.insert(QLatin1StringView("type"), texts.value(6).toString());
        messages.append(message);
    }
    return { { QStringLiteral("contacts"), contacts }, { QStringLiteral("groups"), groups }, { QStringLiteral("messages"), messages } };
}
