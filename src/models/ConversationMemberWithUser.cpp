#include "models/ConversationMemberWithUser.h"

using namespace Qt::StringLiterals;

ConversationMemberWithUser ConversationMemberWithUser::read(const json::Reader& r)
{
    ConversationMemberWithUser m;
    m.conversationId = r.required<qint64>("conversationId"_L1);
    m.userId = r.required<qint64>("userId"_L1);
    m.role = r.optional<QString>("role"_L1);
    m.user = r.optional<User>("user"_L1);
    return m;
}

void ConversationMemberWithUser::write(json::Writer& w) const
{
    w.required("conversationId"_L1, conversationId);
    w.required("userId"_L1, userId);
    w.optional("role"_L1, role);
    w.optional("user"_L1, user);
}
