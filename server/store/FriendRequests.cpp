#include "store/FriendRequests.h"

#include "http/ServerError.h"
#include "store/Contacts.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/TextRules.h"
#include "WireTime.h"

#include <QJsonObject>
#include <QSqlQuery>

namespace {

const QString kSelect = QStringLiteral("SELECT r.id, r.from_user_id, r.to_user_id, r.message, r.status, r.created_at, u.name, u.avatar"
                                       " FROM friend_requests r JOIN users u ON u.id = r.from_user_id");

QJsonObject rowJson(const QSqlQuery& query)
{
    QJsonObject request;
    request.insert(QLatin1StringView("id"), query.value(0).toLongLong());
    request.insert(QLatin1StringView("fromUserId"), query.value(1).toLongLong());
    request.insert(QLatin1StringView("toUserId"), query.value(2).toLongLong());
    rowjson::putText(request, QLatin1StringView("message"), query.value(3));
    request.insert(QLatin1StringView("status"), query.value(4).toString());
    request.insert(QLatin1StringView("createdAt"), query.value(5).toString());
    QJsonObject from;
    from.insert(QLatin1StringView("id"), query.value(1).toLongLong());
    from.insert(QLatin1StringView("name"), query.value(6).toString());
    rowjson::putText(from, QLatin1StringView("avatar"), query.value(7));
    request.insert(QLatin1StringView("fromUser"), from);
    return request;
}

} // namespace

FriendRequests::FriendRequests(Database& db, Contacts& contacts)
    : m_db(db)
    , m_contacts(contacts)
{
}

QJsonArray FriendRequests::incoming(qint64 userId)
{
    QSqlQuery query = m_db.exec(kSelect + QStringLiteral(" WHERE r.to_user_id = ?"
                                                         " ORDER BY CASE r.status WHEN 'pending' THEN 0 ELSE 1 END, r.id DESC"),
        { userId });
    QJsonArray list;
    while (query.next())
        list.append(rowJson(query));
    return list;
}

QJsonObject FriendRequests::requestJson(qint64 requestId)
{
    QSqlQuery query = m_db.exec(kSelect + QStringLiteral(" WHERE r.id = ?"), { requestId });
    return query.next() ? rowJson(query) : QJsonObject();
}

qint64 FriendRequests::pendingCount(qint64 userId)
{
    return m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM friend_requests WHERE to_user_id = ? AND status = 'pending'"), { userId })
        .toLongLong();
}

qint64 FriendRequests::send(qint64 fromUserId, qint64 toUserId, const std::optional<QString>& rawMessage)
{
    if (fromUserId == toUserId)
        throw ServerError::badRequest(Text::FriendRequestToYourself);
    const auto message = textrules::optional(rawMessage, kMaxMessage, Text::NounMessage, true);
    if (!m_db.scalar(QStringLiteral("SELECT 1 FROM users WHERE id = ?"), { toUserId }).isValid())
        throw ServerError::notFound(Text::UserNotFound);

    Database::Transaction transaction(m_db);
    const qint64 sides = m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM contacts WHERE (user_id = ? AND contact_id = ?)"
                                                    " OR (user_id = ? AND contact_id = ?)"),
                                 { fromUserId, toUserId, toUserId, fromUserId })
                             .toLongLong();
    if (sides == 2)
        throw ServerError::conflict(Text::AlreadyContacts);
    if (m_db.scalar(QStringLiteral("SELECT 1 FROM friend_requests WHERE from_user_id = ? AND to_user_id = ? AND status = 'pending'"),
                { fromUserId, toUserId })
            .isValid())
        throw ServerError::conflict(Text::FriendRequestWaiting);
    const qint64 id = m_db.insert(QStringLiteral("INSERT INTO friend_requests (from_user_id, to_user_id, message, created_at)"
                                                 " VALUES (?, ?, ?, ?)"),
        { fromUserId, toUserId, rowjson::orNull(message), wiretime::now() });
    transaction.commit();
    return id;
}

qint64 FriendRequests::pendingSender(qint64 requestId, qint64 userId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT from_user_id, status FROM friend_requests WHERE id = ? AND to_user_id = ?"),
        { requestId, userId });
    if (!query.next())
        throw ServerError::notFound(Text::FriendRequestNotFound);
    if (query.value(1).toString() != u"pending")
        throw ServerError::conflict(Text::FriendRequestAnswered);
    return query.value(0).toLongLong();
}

qint64 FriendRequests::accept(qint64 requestId, qint64 userId)
{
    Database::Transaction transaction(m_db);
    const qint64 senderId = pendingSender(requestId, userId);
    m_db.exec(QStringLiteral("UPDATE friend_requests SET status = 'accepted', answered_at = ? WHERE id = ?"), { wiretime::now(), requestId });
    // Any request the other way round is settled by this answer too.
    m_db.exec(QStringLiteral("UPDATE friend_requests SET status = 'accepted', answered_at = ?"
                             " WHERE from_user_id = ? AND to_user_id = ? AND status = 'pending'"),
        { wiretime::now(), userId, senderId });
    m_contacts.connect(senderId, userId);
    transaction.commit();
    return senderId;
}

void FriendRequests::reject(qint64 requestId, qint64 userId)
{
    Database::Transaction transaction(m_db);
    pendingSender(requestId, userId);
    m_db.exec(QStringLiteral("UPDATE friend_requests SET status = 'rejected', answered_at = ? WHERE id = ?"), { wiretime::now(), requestId });
    transaction.commit();
}
