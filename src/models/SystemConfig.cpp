#include "models/SystemConfig.h"

using namespace Qt::StringLiterals;

SystemConfig SystemConfig::read(const json::Reader& r)
{
    SystemConfig v;
    v.maxGroupMembers = r.optional<qint64>("maxGroupMembers"_L1);
    v.messageRetentionDays = r.optional<qint64>("messageRetentionDays"_L1);
    v.screenshotProtection = r.optional<bool>("screenshotProtection"_L1);
    v.allowRegistration = r.optional<bool>("allowRegistration"_L1);
    return v;
}

void SystemConfig::write(json::Writer& w) const
{
    w.optional("maxGroupMembers"_L1, maxGroupMembers);
    w.optional("messageRetentionDays"_L1, messageRetentionDays);
    w.optional("screenshotProtection"_L1, screenshotProtection);
    w.optional("allowRegistration"_L1, allowRegistration);
}
