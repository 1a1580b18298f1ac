#include "models/MomentComment.h"

using namespace Qt::StringLiterals;

MomentComment MomentComment::read(const json::Reader& r)
{
    MomentComment c;
    c.id = r.required<qint64>("id"_L1);
    c.momentId = r.required<qint64>("momentId"_L1);
    c.userId = r.required<qint64>("userId"_L1);
    c.content = r.required<QString>("content"_L1);
    c.replyToId = r.optional<qint64>("replyToId"_L1);
    c.createdAt = r.optional<QString>("createdAt"_L1);
    c.userName = r.optional<QString>("userName"_L1);
    c.replyToUserName = r.optional<QString>("replyToUserName"_L1);
    return c;
}

void MomentComment::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("momentId"_L1, momentId);
    w.required("userId"_L1, userId);
    w.required("content"_L1, content);
    w.optional("replyToId"_L1, replyToId);
    w.optional("createdAt"_L1, createdAt);
    w.optional("userName"_L1, userName);
    w.optional("replyToUserName"_L1, replyToUserName);
}
