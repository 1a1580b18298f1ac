#include "Procedures.h"

void registerAllProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    registerConversationProcedures(registry, context);
    registerMessageProcedures(registry, context);
    registerContactProcedures(registry, context);
    registerGroupProcedures(registry, context);
    registerUploadProcedures(registry, context);
    registerUserProcedures(registry, context);
}
