#include "models/AdminGroup.h"

using namespace Qt::StringLiterals;

AdminGroup AdminGroup::read(const json::Reader& r)
{
    AdminGroup v;
    v.id = r.required<qint64>("id"_L1);
    v.name = r.optional<QString>("name"_L1);
    v.memberCount = r.optional<qint64>("memberCount"_L1);
    v.ownerId = r.optional<qint64>("ownerId"_L1);
    v.ownerName = r.optional<QString>("ownerName"_L1);
    v.createdAt = r.optional<QString>("createdAt"_L1);
    v.isActive = r.optional<bool>("isActive"_L1);
    return v;
}

void AdminGroup::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("name"_L1, name);
    w.optional("memberCount"_L1, memberCount);
    w.optional("ownerId"_L1, ownerId);
    w.optional("ownerName"_L1, ownerName);
    w.optional("createdAt"_L1, createdAt);
    w.optional("isActive"_L1, isActive);
}
