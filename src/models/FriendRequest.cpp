#include "models/FriendRequest.h"

using namespace Qt::StringLiterals;

namespace {

struct FromUserObject {
    std::optional<qint64> id;
    std::optional<QString> name;
    std::optional<QString> avatar;

    static FromUserObject read(const json::Reader& r)
    {
        FromUserObject u;
        u.id = r.optional<qint64>("id"_L1);
        u.name = r.optional<QString>("name"_L1);
        u.avatar = r.optional<QString>("avatar"_L1);
        return u;
    }
    void write(json::Writer& w) const
    {
        w.optional("id"_L1, id);
        w.optional("name"_L1, name);
        w.optional("avatar"_L1, avatar);
    }
};

} // namespace

FriendRequest FriendRequest::read(const json::Reader& r)
{
    FriendRequest f;
    f.id = r.required<qint64>("id"_L1);
    f.fromUserId = r.required<qint64>("fromUserId"_L1);
    f.toUserId = r.required<qint64>("toUserId"_L1);
    f.message = r.optional<QString>("message"_L1);
    f.status = r.optional<QString>("status"_L1);
    f.createdAt = r.optional<QString>("createdAt"_L1);
    if (const std::optional<FromUserObject> from = r.nested<FromUserObject>("fromUser"_L1)) {
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
