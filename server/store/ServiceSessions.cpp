#include "store/ServiceSessions.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "WireTime.h"

#include <QDateTime>
#include <QSqlQuery>

#include <cmath>

ServiceSessions::ServiceSessions(Database& db)
    : m_db(db)
{
}

QJsonArray ServiceSessions::sessionsFor(qint64 callerId)
{
    // Waiting ones first (oldest first), then the caller's active ones, then the
    // caller's most recent ended ones, newest first; each part through its index.
    QSqlQuery query = m_db.exec(QStringLiteral(
        "SELECT s.id, s.customer_id, s.operator_id, s.status, u.name, u.avatar, s.last_message, s.created_at, s.rating,"
        " s.last_message_at"
        " FROM (SELECT * FROM (SELECT id, 0 AS part FROM service_sessions WHERE status = 'waiting')"
        "       UNION ALL SELECT * FROM (SELECT id, 1 FROM service_sessions WHERE status = 'active' AND operator_id = ?)"
        "       UNION ALL SELECT * FROM (SELECT id, 2 FROM service_sessions WHERE status = 'ended' AND operator_id = ?"
        "                                ORDER BY id DESC LIMIT ?)) listed"
        " JOIN service_sessions s ON s.id = listed.id JOIN users u ON u.id = s.customer_id"
        " ORDER BY listed.part, CASE listed.part WHEN 2 THEN -s.id ELSE s.id END"),
        { callerId, callerId, kListedEnded });
    QJsonArray sessions;
    while (query.next()) {
        QJsonObject session;
        session.insert(QLatin1StringView("id"), query.value(0).toLongLong());
        session.insert(QLatin1StringView("customerId"), query.value(1).toLongLong());
        rowjson::putInteger(session, QLatin1StringView("operatorId"), query.value(2));
        session.insert(QLatin1StringView("status"), query.value(3).toString());
        session.insert(QLatin1StringView("customerName"), query.value(4).toString());
        rowjson::putText(session, QLatin1StringView("customerAvatar"), query.value(5));
        rowjson::putText(session, QLatin1StringView("lastMessage"), query.value(6));
        session.insert(QLatin1StringView("createdAt"), query.value(7).toString());
        rowjson::putInteger(session, QLatin1StringView("rating"), query.value(8));
        rowjson::putText(session, QLatin1StringView("lastMessageAt"), query.value(9));
        sessions.append(session);
    }
    return sessions;
}

ServiceSessions::Row ServiceSessions::require(qint64 sessionId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT operator_id, status FROM service_sessions WHERE id = ?"), { sessionId });
    if (!query.next())
        throw ServerError::notFound(Text::ServiceSessionNotFound);
    return Row { query.value(0).toLongLong(), query.value(1).toString() };
}

void ServiceSessions::accept(qint64 sessionId, qint64 callerId)
{
    require(sessionId);
    // One statement decides, so two operators accepting at once cannot both win.
    QSqlQuery query = m_db.exec(QStringLiteral("UPDATE service_sessions SET operator_id = ?, status = 'active', accepted_at = ?"
                                               " WHERE id = ? AND status = 'waiting'"),
        { callerId, wiretime::now(), sessionId });
    if (query.numRowsAffected() == 0)
        throw ServerError::conflict(Text::OnlyWaitingAccepted);
}

void ServiceSessions::end(qint64 sessionId, qint64 callerId, bool administrator)
{
    const Row row = require(sessionId);
    if (row.operatorId != callerId && !administrator)
        throw ServerError::forbidden(Text::ServedByAnotherOperator);
    if (row.status != u"active")
        throw ServerError::conflict(Text::OnlyActiveEnded);
    m_db.exec(QStringLiteral("UPDATE service_sessions SET status = 'ended', ended_at = ? WHERE id = ?"), { wiretime::now(), sessionId });
}

qint64 ServiceSessions::customerToAnswer(qint64 sessionId, qint64 callerId)
{
    const Row row = require(sessionId);
    if (row.operatorId != callerId)
        throw ServerError::forbidden(Text::ServedByAnotherOperator);
    if (row.status != u"active")
        throw ServerError::conflict(Text::OnlyActiveTakesMessages);
    return m_db.scalar(QStringLiteral("SELECT customer_id FROM service_sessions WHERE id = ?"), { sessionId }).toLongLong();
}

void ServiceSessions::recordReply(qint64 sessionId, const QString& text)
{
    const QString now = wiretime::now();
    m_db.exec(QStringLiteral("UPDATE service_sessions SET last_message = ?, last_message_at = ?, first_reply_at = COALESCE(first_reply_at, ?)"
                             " WHERE id = ?"),
        { text, now, now, sessionId });
}

void ServiceSessions::recordCustomerMessage(qint64 customerId, const QString& text, const QString& time)
{
    const QSqlQuery updated = m_db.exec(QStringLiteral("UPDATE service_sessions SET last_message = ?, last_message_at = ?"
                                                       " WHERE customer_id = ? AND status IN ('waiting', 'active')"),
        { text, time, customerId });
    if (updated.numRowsAffected() > 0)
        return;
    m_db.exec(QStringLiteral("INSERT INTO service_sessions (customer_id, status, last_message, created_at, last_message_at)"
                             " VALUES (?, 'waiting', ?, ?, ?)"),
        { customerId, text, time, time });
}

QJsonObject ServiceSessions::statsFor(qint64 callerId)
{
    const QString today = QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate);
    QSqlQuery query = m_db.exec(QStringLiteral(
        "SELECT"
        " SUM(CASE WHEN substr(accepted_at, 1, 10) = ? THEN 1 ELSE 0 END),"
        " AVG(CASE WHEN status = 'ended' THEN rating END),"
        " AVG(strftime('%s', first_reply_at) - strftime('%s', created_at)),"
        " SUM(CASE WHEN status = 'ended' THEN 1 ELSE 0 END), COUNT(*)"
        " FROM service_sessions WHERE operator_id = ?"),
        { today, callerId });
    QJsonObject stats;
    if (!query.next())
        return stats;
    stats.insert(QLatin1StringView("todayServed"), query.value(0).toLongLong());
    if (!query.value(1).isNull())
        stats.insert(QLatin1StringView("avgRating"), query.value(1).toDouble());
    if (!query.value(2).isNull())
        stats.insert(QLatin1StringView("avgResponseTime"), qint64(std::llround(query.value(2).toDouble())));
    const qint64 served = query.value(4).toLongLong();
    if (served > 0)
        stats.insert(QLatin1StringView("resolutionRate"), double(query.value(3).toLongLong()) / double(served));
    return stats;
}
