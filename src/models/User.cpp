#include "models/User.h"

using namespace Qt::StringLiterals;

User User::read(const json::Reader& r)
{
    User u;
    u.id = r.required<qint64>("id"_L1);
    u.openId = r.required<QString>("openId"_L1);
    u.name = r.required<QString>("name"_L1);
    u.email = r.optional<QString>("email"_L1);
    u.avatar = r.optional<QString>("avatar"_L1);
    u.bio = r.optional<QString>("bio"_L1);
    u.loginMethod = r.optional<QString>("loginMethod"_L1);
    u.role = r.optional<QString>("role"_L1);
    u.online = r.optional<bool>("online"_L1);
    u.lastOnlineAt = r.optional<QString>("lastOnlineAt"_L1);
    u.totpEnabled = r.optional<bool>("totpEnabled"_L1);
    u.gender = r.optional<QString>("gender"_L1);
    u.region = r.optional<QString>("region"_L1);
    u.language = r.optional<QString>("language"_L1);
    u.createdAt = r.optional<QString>("createdAt"_L1);
    u.updatedAt = r.optional<QString>("updatedAt"_L1);
    u.lastSignedIn = r.optional<QString>("lastSignedIn"_L1);
    return u;
}

void User::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("openId"_L1, openId);
    w.required("name"_L1, name);
    w.optional("email"_L1, email);
    w.optional("avatar"_L1, avatar);
    w.optional("bio"_L1, bio);
    w.optional("loginMethod"_L1, loginMethod);
    w.optional("role"_L1, role);
    w.optional("online"_L1, online);
    w.optional("lastOnlineAt"_L1, lastOnlineAt);
    w.optional("totpEnabled"_L1, totpEnabled);
    w.optional("gender"_L1, gender);
    w.optional("region"_L1, region);
    w.optional("language"_L1, language);
    w.optional("createdAt"_L1, createdAt);
    w.optional("updatedAt"_L1, updatedAt);
    w.optional("lastSignedIn"_L1, lastSignedIn);
}
