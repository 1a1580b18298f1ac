#include "services/SessionService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

using namespace Qt::Literals::StringLiterals;

SessionService::DeviceSession SessionService::DeviceSession::read(const json::Reader& r)
{
    return DeviceSession {
        r.required<qint64>("id"_L1),
        r.optional<QString>("deviceId"_L1),
        r.optional<QString>("deviceName"_L1),
        r.optional<QString>("deviceType"_L1),
        r.optional<QString>("platform"_L1),
        r.optional<QString>("lastIp"_L1),
        r.optional<QString>("lastActiveAt"_L1),
        r.optional<bool>("isActive"_L1),
        r.optional<QString>("createdAt"_L1),
        r.optional<bool>("isCurrent"_L1),
    };
}

void SessionService::DeviceSession::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("deviceId"_L1, deviceId);
    w.optional("deviceName"_L1, deviceName);
    w.optional("deviceType"_L1, deviceType);
    w.optional("platform"_L1, platform);
    w.optional("lastIp"_L1, lastIp);
    w.optional("lastActiveAt"_L1, lastActiveAt);
    w.optional("isActive"_L1, isActive);
    w.optional("createdAt"_L1, createdAt);
    w.optional("isCurrent"_L1, isCurrent);
}

SessionService& SessionService::shared()
{
    static SessionService instance(APIClient::shared());
    return instance;
}

QCoro::Task<QList<SessionService::DeviceSession>> SessionService::getMyDevices()
{
    return procedure::query<QList<DeviceSession>>(api, u"session.myDevices"_s);
}

QCoro::Task<> SessionService::logoutDevice(QString token)
{
    struct Input {
        QString token;
        void write(json::Writer& w) const { w.required("token"_L1, token); }
    };
    return procedure::mutation<void>(api, u"session.logout"_s, Input { std::move(token) });
}

QCoro::Task<> SessionService::revokeOthers(QString currentToken)
{
    struct Input {
        QString currentToken;
        void write(json::Writer& w) const { w.required("currentToken"_L1, currentToken); }
    };
    return procedure::mutation<void>(api, u"session.revokeOthers"_s, Input { std::move(currentToken) });
}
