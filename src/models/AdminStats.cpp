#include "models/AdminStats.h"

using namespace Qt::StringLiterals;

AdminStats AdminStats::read(const json::Reader& r)
{
    AdminStats v;
    v.totalUsers = r.optional<qint64>("totalUsers"_L1);
    v.onlineUsers = r.optional<qint64>("onlineUsers"_L1);
    v.totalMessages = r.optional<qint64>("totalMessages"_L1);
    v.activeGroups = r.optional<qint64>("activeGroups"_L1);
    return v;
}

void AdminStats::write(json::Writer& w) const
{
    w.optional("totalUsers"_L1, totalUsers);
    w.optional("onlineUsers"_L1, onlineUsers);
    w.optional("totalMessages"_L1, totalMessages);
    w.optional("activeGroups"_L1, activeGroups);
}
