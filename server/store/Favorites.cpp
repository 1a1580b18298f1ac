#include "store/Favorites.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/Messages.h"
#include "store/RowJson.h"
#include "WireTime.h"

#include <QJsonObject>
#include <QSqlQuery>

Favorites::Favorites(Database& db, Messages& messages)
    : m_db(db)
    , m_messages(messages)
{
}

QJsonArray Favorites::list(qint64 userId, qint64 limit, qint64 offset)
{
    if (limit < 1 || limit > kMaxPageSize)
        throw ServerError::badRequest(Text::LimitRange, kMaxPageSize);
    if (offset < 0)
        throw ServerError::badRequest(Text::OffsetNegative);
    QList<QJsonObject> rows;
    {
        QSqlQuery query = m_db.exec(QStringLiteral("SELECT f.id, f.message_id, msg.conversation_id, f.note, f.created_at FROM favorites f"
                                                   " JOIN messages msg ON msg.id = f.message_id"
                                                   " JOIN conversation_members m ON m.conversation_id = msg.conversation_id AND m.user_id = f.user_id"
                                                   " WHERE f.user_id = ? AND msg.id > m.cleared_before_id"
                                                   " ORDER BY f.id DESC LIMIT ? OFFSET ?"),
            { userId, limit, offset });
        while (query.next()) {
            QJsonObject row;
            row.insert(QLatin1StringView("id"), query.value(0).toLongLong());
            row.insert(QLatin1StringView("messageId"), query.value(1).toLongLong());
            row.insert(QLatin1StringView("conversationId"), query.value(2).toLongLong());
            rowjson::putText(row, QLatin1StringView("note"), query.value(3));
            row.insert(QLatin1StringView("createdAt"), query.value(4).toString());
            rows.append(row);
        }
    }
    QJsonArray list;
    for (QJsonObject& row : rows) {
        if (const auto message = m_messages.messageJson(row.value(QLatin1StringView("messageId")).toInteger()))
            row.insert(QLatin1StringView("message"), *message);
        list.append(row);
    }
    return list;
}

void Favorites::remove(qint64 userId, qint64 messageId)
{
    m_db.exec(QStringLiteral("DELETE FROM favorites WHERE user_id = ? AND message_id = ?"), { userId, messageId });
}

void Favorites::add(qint64 userId, qint64 messageId, const std::optional<QString>& note)
{
    m_messages.visibleConversation(messageId, userId);
    m_db.exec(QStringLiteral("INSERT OR IGNORE INTO favorites (user_id, message_id, note, created_at) VALUES (?, ?, ?, ?)"),
        { userId, messageId, rowjson::orNull(note), wiretime::now() });
}
