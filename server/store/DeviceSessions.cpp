#include "store/DeviceSessions.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "WireTime.h"

#include <QJsonObject>
#include <QSqlQuery>

DeviceSessions::DeviceSessions(Database& db)
    : m_db(db)
{
}

QJsonArray DeviceSessions::loginSessions(qint64 userId, qint64 currentSessionId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT s.id, s.device_name, COALESCE(s.platform, d.device_type), s.ip,"
                                               " MAX(s.last_active_at, COALESCE(d.last_seen_at, '')), s.created_at"
                                               " FROM sessions s LEFT JOIN devices d ON d.user_id = s.user_id AND d.device_id = s.device_id"
                                               " WHERE s.user_id = ? AND s.refresh_expires > ? ORDER BY s.id"),
        { userId, wiretime::nowSeconds() });
    QJsonArray list;
    while (query.next()) {
        QJsonObject session;
        session.insert(QLatin1StringView("id"), query.value(0).toLongLong());
        rowjson::putText(session, QLatin1StringView("deviceName"), query.value(1));
        rowjson::putText(session, QLatin1StringView("platform"), query.value(2));
        rowjson::putText(session, QLatin1StringView("ip"), query.value(3));
        session.insert(QLatin1StringView("lastActiveAt"), query.value(4).toString());
        session.insert(QLatin1StringView("isCurrent"), query.value(0).toLongLong() == currentSessionId);
        session.insert(QLatin1StringView("createdAt"), query.value(5).toString());
        list.append(session);
    }
    return list;
}

void DeviceSessions::revokeSession(qint64 userId, qint64 sessionId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("DELETE FROM sessions WHERE id = ? AND user_id = ?"), { sessionId, userId });
    if (query.numRowsAffected() == 0)
        throw ServerError::notFound(Text::SessionNotFound);
}

QJsonArray DeviceSessions::devices(qint64 userId, qint64 currentSessionId)
{
    const qint64 now = wiretime::nowSeconds();
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT d.rowid, d.device_id, d.device_type, d.first_seen_at, d.last_seen_at,"
                                               " s.id, s.device_name, s.platform, s.ip, s.last_active_at, s.access_expires"
                                               " FROM devices d JOIN sessions s ON s.user_id = d.user_id AND s.device_id = d.device_id"
                                               " WHERE d.user_id = ? AND s.refresh_expires > ? ORDER BY d.rowid, s.id DESC"),
        { userId, now });
    QJsonArray list;
    QJsonObject device;
    qint64 deviceRow = -1;
    const auto flush = [&] {
        if (deviceRow >= 0)
            list.append(device);
    };
    while (query.next()) {
        const qint64 row = query.value(0).toLongLong();
        const bool current = query.value(5).toLongLong() == currentSessionId;
        const bool active = query.value(10).toLongLong() > now;
        const QString lastActive = qMax(query.value(4).toString(), query.value(9).toString());
        if (row != deviceRow) {
            flush();
            deviceRow = row;
            // The newest session of the device (first in this order) names it.
            device = QJsonObject();
            device.insert(QLatin1StringView("id"), row);
            device.insert(QLatin1StringView("deviceId"), query.value(1).toString());
            rowjson::putText(device, QLatin1StringView("deviceName"), query.value(6));
            rowjson::putText(device, QLatin1StringView("deviceType"), query.value(2));
            if (!query.value(7).isNull())
                device.insert(QLatin1StringView("platform"), query.value(7).toString());
            else
                rowjson::putText(device, QLatin1StringView("platform"), query.value(2));
            rowjson::putText(device, QLatin1StringView("lastIp"), query.value(8));
            device.insert(QLatin1StringView("lastActiveAt"), lastActive);
            device.insert(QLatin1StringView("isActive"), active);
            device.insert(QLatin1StringView("createdAt"), query.value(3).toString());
            device.insert(QLatin1StringView("isCurrent"), current);
            continue;
        }
        if (current)
            device.insert(QLatin1StringView("isCurrent"), true);
        if (active)
            device.insert(QLatin1StringView("isActive"), true);
        if (lastActive > device.value(QLatin1StringView("lastActiveAt")).toString())
            device.insert(QLatin1StringView("lastActiveAt"), lastActive);
    }
    flush();
    return list;
}

void DeviceSessions::requireDevice(qint64 userId, const QString& deviceId)
{
    if (deviceId.isEmpty() || !m_db.scalar(QStringLiteral("SELECT 1 FROM devices WHERE user_id = ? AND device_id = ?"), { userId, deviceId }).isValid())
        throw ServerError::notFound(Text::DeviceNotFound);
}

QList<qint64> DeviceSessions::logoutDevice(qint64 userId, const QString& deviceId)
{
    requireDevice(userId, deviceId);
    Database::Transaction transaction(m_db);
    QList<qint64> ended;
    {
        QSqlQuery query = m_db.exec(QStringLiteral("SELECT id FROM sessions WHERE user_id = ? AND device_id = ?"), { userId, deviceId });
        while (query.next())
            ended.append(query.value(0).toLongLong());
    }
    m_db.exec(QStringLiteral("DELETE FROM sessions WHERE user_id = ? AND device_id = ?"), { userId, deviceId });
    m_db.exec(QStringLiteral("DELETE FROM devices WHERE user_id = ? AND device_id = ?"), { userId, deviceId });
    transaction.commit();
    return ended;
}

QList<qint64> DeviceSessions::revokeOthers(qint64 userId, qint64 currentSessionId, const QString& keptDeviceId)
{
    requireDevice(userId, keptDeviceId);
    Database::Transaction transaction(m_db);
    const QString others = QStringLiteral(" FROM sessions WHERE user_id = ? AND id != ? AND (device_id IS NULL OR device_id != ?)");
    QList<qint64> ended;
    {
        QSqlQuery query = m_db.exec(QStringLiteral("SELECT id") + others, { userId, currentSessionId, keptDeviceId });
        while (query.next())
            ended.append(query.value(0).toLongLong());
    }
    m_db.exec(QStringLiteral("DELETE") + others, { userId, currentSessionId, keptDeviceId });
    // Devices left without a session are signed out and leave the list.
    m_db.exec(QStringLiteral("DELETE FROM devices WHERE user_id = ? AND device_id NOT IN"
                             " (SELECT device_id FROM sessions WHERE user_id = ? AND device_id IS NOT NULL)"),
        { userId, userId });
    transaction.commit();
    return ended;
}
