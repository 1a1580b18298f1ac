#include "models/AdminUser.h"

using namespace Qt::StringLiterals;

AdminUser AdminUser::read(const json::Reader& r)
{
    AdminUser v;
    v.id = r.required<qint64>("id"_L1);
    v.name = r.optional<QString>("name"_L1);
    v.email = r.optional<QString>("email"_L1);
    v.role = r.optional<QString>("role"_L1);
    v.status = r.optional<QString>("status"_L1);
    v.isBanned = r.optional<bool>("isBanned"_L1);
    v.createdAt = r.optional<QString>("createdAt"_L1);
    v.lastLoginAt = r.optional<QString>("lastLoginAt"_L1);
    v.openId = r.optional<QString>("openId"_L1);
    return v;
}

void AdminUser::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("name"_L1, name);
    w.optional("email"_L1, email);
    w.optional("role"_L1, role);
    w.optional("status"_L1, status);
    w.optional("isBanned"_L1, isBanned);
    w.optional("createdAt"_L1, createdAt);
    w.optional("lastLoginAt"_L1, lastLoginAt);
    w.optional("openId"_L1, openId);
}
