#include "models/FriendRequest.h"

#include "models/NestedProfile.h"

using namespace Qt::StringLiterals;

FriendRequest FriendRequest::read(const json::Reader& r)
{
    FriendRequest f;
    f.id = r.required<qint64>("id"_L1);
    f.fromUserId = r.required<qint64>("fromUserId"_L1);
    f.toUserId = r.required<qint64>("toUserId"_L1);
    f.message = r.optional<QString>("message"_L1);
    f.status = r.optional<QString>("status"_L1);
    f.createdAt = r.optional<QString>("createdAt"_L1);
    if (const std::optional<NestedProfile> from = r.nested<NestedProfile>("fromUser"_L1)) {
        f.fromUserName = from->name;
        f.fromUserAvatar = from->avatar;
    } else {
        f.fromUserName = r.optional<QString>("fromUserName"_L1);
        f.fromUserAvatar = r.optional<QString>("fromUserAvatar"_L1);
    }
    return f;
}

void FriendRequest::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("fromUserId"_L1, fromUserId);
    w.required("toUserId"_L1, toUserId);
    w.optional("message"_L1, message);
    w.optional("status"_L1, status);
    w.optional("fromUserName"_L1, fromUserName);
    w.optional("fromUserAvatar"_L1, fromUserAvatar);
}
