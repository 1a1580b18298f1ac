#include "live/LiveHub.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Conversations.h"

#include "models/Json.h"

void registerGroupProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    registry.add(QStringLiteral("groups.list"), ProcedureKind::Query, [&context](const ProcedureCall& call) -> QJsonValue {
        return context.conversations.groupsFor(call.userId);
    });

    // Also answers for a private conversation: its two members.
    registry.add(QStringLiteral("groups.getMembers"), ProcedureKind::Query, [&context](const ProcedureCall& call) -> QJsonValue {
        const qint64 conversationId = call.reader().required<qint64>(QLatin1StringView("conversationId"));
        context.conversations.requireMember(conversationId, call.userId);
        return context.conversations.membersOf(conversationId, context.hub.presence());
    });
}
