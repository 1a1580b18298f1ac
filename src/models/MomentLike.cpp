#include "models/MomentLike.h"

using namespace Qt::StringLiterals;

MomentLike MomentLike::read(const json::Reader& r)
{
    MomentLike l;
    l.id = r.required<qint64>("id"_L1);
    l.momentId = r.required<qint64>("momentId"_L1);
    l.userId = r.required<qint64>("userId"_L1);
    l.userName = r.optional<QString>("userName"_L1);
    l.createdAt = r.optional<QString>("createdAt"_L1);
    return l;
}

void MomentLike::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("momentId"_L1, momentId);
    w.required("userId"_L1, userId);
    w.optional("userName"_L1, userName);
    w.optional("createdAt"_L1, createdAt);
}
