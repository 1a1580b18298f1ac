#include "Contacts.h"
#include "LiveHub.h"
#include "ProcedureRegistry.h"
#include "Procedures.h"

void registerContactProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    registry.add(QStringLiteral("contacts.list"), ProcedureKind::Query, [&context](const ProcedureCall& call) -> QJsonValue {
        return context.contacts.listFor(call.userId, context.hub.presence());
    });
}
