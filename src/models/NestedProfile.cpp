#include "models/NestedProfile.h"

using namespace Qt::StringLiterals;

NestedProfile NestedProfile::read(const json::Reader& r)
{
    return NestedProfile {
        r.optional<qint64>("id"_L1),
        r.optional<QString>("name"_L1),
        r.optional<QString>("avatar"_L1),
    };
}

void NestedProfile::write(json::Writer& w) const
{
    w.optional("id"_L1, id);
    w.optional("name"_L1, name);
    w.optional("avatar"_L1, avatar);
}
