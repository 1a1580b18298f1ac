#include "models/ChatGroup.h"

using namespace Qt::StringLiterals;

ChatGroup ChatGroup::read(const json::Reader& r)
{
    ChatGroup g;
    g.id = r.required<qint64>("id"_L1);
    g.conversationId = r.required<qint64>("conversationId"_L1);
    g.name = r.required<QString>("name"_L1);
    g.avatar = r.optional<QString>("avatar"_L1);
    g.description = r.optional<QString>("description"_L1);
    g.ownerId = r.required<qint64>("ownerId"_L1);
    g.maxMembers = r.optional<qint64>("maxMembers"_L1);
    g.createdAt = r.optional<QString>("createdAt"_L1);
    g.updatedAt = r.optional<QString>("updatedAt"_L1);
    g.memberCount = r.optional<qint64>("memberCount"_L1);
    return g;
}

void ChatGroup::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("conversationId"_L1, conversationId);
    w.required("name"_L1, name);
    w.optional("avatar"_L1, avatar);
    w.optional("description"_L1, description);
    w.required("ownerId"_L1, ownerId);
    w.optional("maxMembers"_L1, maxMembers);
    w.optional("createdAt"_L1, createdAt);
    w.optional("updatedAt"_L1, updatedAt);
    w.optional("memberCount"_L1, memberCount);
}
