#include "models/Contact.h"

#include "models/NestedProfile.h"

using namespace Qt::StringLiterals;

namespace {

struct ContactUserObject : NestedProfile {
    std::optional<QString> bio;
    std::optional<QString> email;
    std::optional<bool> online;
    std::optional<QString> openId;

    static ContactUserObject read(const json::Reader& r)
    {
        return ContactUserObject {
            NestedProfile::read(r),
            r.optional<QString>("bio"_L1),
            r.optional<QString>("email"_L1),
            r.optional<bool>("online"_L1),
            r.optional<QString>("openId"_L1),
        };
    }
};

} // namespace

Contact Contact::read(const json::Reader& r)
{
    Contact c;
    c.id = r.required<qint64>("id"_L1);
    c.userId = r.required<qint64>("userId"_L1);
    c.contactId = r.required<qint64>("contactId"_L1);
    c.nickname = r.optional<QString>("nickname"_L1);
    c.tags = r.lenient<QStringList>("tags"_L1);
    c.blocked = r.optional<bool>("blocked"_L1);
    c.createdAt = r.optional<QString>("createdAt"_L1);
    if (const std::optional<ContactUserObject> user = r.nested<ContactUserObject>("user"_L1)) {
        c.name = user->name;
        c.avatar = user->avatar;
        c.online = user->online;
        c.bio = user->bio;
        c.email = user->email;
        c.openId = user->openId;
    } else {
        c.name = r.optional<QString>("name"_L1);
        c.avatar = r.optional<QString>("avatar"_L1);
        c.online = r.optional<bool>("online"_L1);
        c.bio = r.optional<QString>("bio"_L1);
        c.email = r.optional<QString>("email"_L1);
        c.openId = r.optional<QString>("openId"_L1);
    }
    return c;
}

void Contact::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("userId"_L1, userId);
    w.required("contactId"_L1, contactId);
    w.optional("nickname"_L1, nickname);
    w.optional("name"_L1, name);
    w.optional("avatar"_L1, avatar);
    w.optional("online"_L1, online);
}
