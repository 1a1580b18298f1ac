#include "models/Moment.h"

using namespace Qt::StringLiterals;

Moment Moment::read(const json::Reader& r)
{
    Moment m;
    m.id = r.required<qint64>("id"_L1);
    m.userId = r.required<qint64>("userId"_L1);
    m.content = r.optional<QString>("content"_L1);
    m.images = r.optional<QStringList>("images"_L1);
    m.visibility = r.optional<QString>("visibility"_L1);
    m.location = r.optional<QString>("location"_L1);
    m.createdAt = r.optional<QString>("createdAt"_L1);
    m.userName = r.optional<QString>("userName"_L1);
    m.userAvatar = r.optional<QString>("userAvatar"_L1);
    m.likes = r.optional<QList<MomentLike>>("likes"_L1);
    m.comments = r.optional<QList<MomentComment>>("comments"_L1);
    m.likeCount = r.optional<qint64>("likeCount"_L1);
    m.commentCount = r.optional<qint64>("commentCount"_L1);
    return m;
}

void Moment::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("userId"_L1, userId);
    w.optional("content"_L1, content);
    w.optional("images"_L1, images);
    w.optional("visibility"_L1, visibility);
    w.optional("location"_L1, location);
    w.optional("createdAt"_L1, createdAt);
    w.optional("userName"_L1, userName);
    w.optional("userAvatar"_L1, userAvatar);
    w.optional("likes"_L1, likes);
    w.optional("comments"_L1, comments);
    w.optional("likeCount"_L1, likeCount);
    w.optional("commentCount"_L1, commentCount);
}
