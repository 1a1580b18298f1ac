#pragma once

// The signed-in user's login sessions and the devices they run on. A device is
// named by the id its live channel announced; ending a session deletes it, so its
// tokens stop working at once. Callers close the live sockets of the ended sessions.

#include <QJsonArray>
#include <QList>
#include <QString>

class Database;

class DeviceSessions {
public:
    explicit DeviceSessions(Database& db);

    QJsonArray loginSessions(qint64 userId, qint64 currentSessionId);
    // Ends one of the user's sessions; throws 404 when it is not theirs.
    void revokeSession(qint64 userId, qint64 sessionId);

    QJsonArray devices(qint64 userId, qint64 currentSessionId);
    // Ends every session of the device and forgets it; returns the ended sessions.
    QList<qint64> logoutDevice(qint64 userId, const QString& deviceId);
    // Ends every session but the caller's own and those of the kept device.
    QList<qint64> revokeOthers(qint64 userId, qint64 currentSessionId, const QString& keptDeviceId);

private:
    void requireDevice(qint64 userId, const QString& deviceId);

    Database& m_db;
};
