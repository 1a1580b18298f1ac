#include "services/SessionService.h"

#include "models/Json.h"

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
