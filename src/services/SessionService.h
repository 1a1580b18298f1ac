#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

// The account's device sessions: list them, sign one out, sign out all others.
class SessionService final {
public:
    struct DeviceSession {
        qint64 id = 0;
        std::optional<QString> deviceId;
        std::optional<QString> deviceName;
        std::optional<QString> deviceType;
        std::optional<QString> platform;
        std::optional<QString> lastIp;
        std::optional<QString> lastActiveAt;
        std::optional<bool> isActive;
        std::optional<QString> createdAt;
        std::optional<bool> isCurrent;

        static DeviceSession read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    static SessionService& shared();
    explicit SessionService(APIClient& api)
        : api(api)
    {
    }

    QCoro::Task<QList<DeviceSession>> getMyDevices();
    // Both take a session's deviceId, which the server accepts as the token.
    QCoro::Task<> logoutDevice(QString token);
    QCoro::Task<> revokeOthers(QString currentToken);

    APIClient& api;
};
