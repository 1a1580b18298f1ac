#include "store/MessageAudit.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "WireTime.h"

#include <QJsonArray>
#include <QSqlQuery>

MessageAudit::MessageAudit(Database& db)
    : m_db(db)
{
}

qint64 MessageAudit::count()
{
    return m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM messages")).toLongLong();
}

QJsonObject MessageAudit::list(const PageRequest& request)
{
    const PageOfIds page = pageOfMatches(m_db,
        QStringLiteral("SELECT m.id, m.content, u.name FROM messages m JOIN users u ON u.id = m.sender_id ORDER BY m.id DESC"), request);
    QJsonArray messages;
    for (const qint64 id : page.ids)
        messages.append(messageJson(id));
    return { { QStringLiteral("messages"), messages }, { QStringLiteral("total"), page.total } };
}

QJsonObject MessageAudit::messageJson(qint64 messageId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT m.id, m.sender_id, u.name, m.conversation_id, m.content, m.type,"
                                               " m.created_at, m.deleted_at, m.file_name"
                                               " FROM messages m JOIN users u ON u.id = m.sender_id WHERE m.id = ?"),
        { messageId });
    QJsonObject message;
    if (!query.next())
        return message;
    message.insert(QLatin1StringView("id"), query.value(0).toLongLong());
    message.insert(QLatin1StringView("senderId"), query.value(1).toLongLong());
    message.insert(QLatin1StringView("senderName"), query.value(2).toString());
    message.insert(QLatin1StringView("conversationId"), query.value(3).toLongLong());
    // A file without a caption is audited by its name.
    rowjson::putText(message, QLatin1StringView("content"), query.value(4).isNull() ? query.value(8) : query.value(4));
    message.insert(QLatin1StringView("type"), query.value(5).toString());
    message.insert(QLatin1StringView("createdAt"), query.value(6).toString());
    message.insert(QLatin1StringView("isDeleted"), !query.value(7).isNull());
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
