#include "models/GroupMember.h"

#include "models/NestedProfile.h"

using namespace Qt::StringLiterals;

namespace {

struct MemberUserObject : NestedProfile {
    std::optional<bool> online;

    static MemberUserObject read(const json::Reader& r)
    {
        return MemberUserObject { NestedProfile::read(r), r.optional<bool>("online"_L1) };
    }
};

} // namespace

GroupMember GroupMember::read(const json::Reader& r)
{
    GroupMember m;
    m.userId = r.required<qint64>("userId"_L1);
    m.role = r.optional<QString>("role"_L1);
    m.joinedAt = r.optional<QString>("joinedAt"_L1);
    if (const std::optional<MemberUserObject> user = r.nested<MemberUserObject>("user"_L1)) {
        m.name = user->name;
        m.avatar = user->avatar;
        m.online = user->online;
    } else {
        m.name = r.optional<QString>("name"_L1);
        m.avatar = r.optional<QString>("avatar"_L1);
        m.online = r.optional<bool>("online"_L1);
    }
    return m;
}

void GroupMember::write(json::Writer& w) const
{
    w.required("userId"_L1, userId);
    w.optional("name"_L1, name);
    w.optional("avatar"_L1, avatar);
    w.optional("role"_L1, role);
    w.optional("online"_L1, online);
}
