#include "live/LiveHub.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Contacts.h"

void registerContactProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    registry.add(QStringLiteral("contacts.list"), ProcedureKind::Query, [&context](const ProcedureCall& call) -> QJsonValue {
        return context.contacts.listFor(call.userId, context.hub.presence());
    });
}
