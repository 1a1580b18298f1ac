#include "network/LoginSession.h"

using namespace Qt::StringLiterals;

LoginSession LoginSession::read(const json::Reader& r)
{
    LoginSession s;
    s.id = r.required<qint64>("id"_L1);
    s.deviceName = r.optional<QString>("deviceName"_L1);
    s.platform = r.optional<QString>("platform"_L1);
    s.ip = r.optional<QString>("ip"_L1);
    s.lastActiveAt = r.optional<QString>("lastActiveAt"_L1);
    s.isCurrent = r.optional<bool>("isCurrent"_L1);
    s.createdAt = r.optional<QString>("createdAt"_L1);
    return s;
}

void LoginSession::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("deviceName"_L1, deviceName);
    w.optional("platform"_L1, platform);
    w.optional("ip"_L1, ip);
    w.optional("lastActiveAt"_L1, lastActiveAt);
    w.optional("isCurrent"_L1, isCurrent);
    w.optional("createdAt"_L1, createdAt);
}
