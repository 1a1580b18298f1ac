#include "procedures/Procedures.h"

void registerAllProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    registerConversationProcedures(registry, context);
    registerMessageProcedures(registry, context);
    registerContactProcedures(registry, context);
    registerGroupProcedures(registry, context);
    registerUploadProcedures(registry, context);
    registerUserProcedures(registry, context);
    registerContactRequestProcedures(registry, context);
    registerGroupRoleProcedures(registry, context);
    registerMomentProcedures(registry, context);
    registerSearchProcedures(registry, context);
    registerFileProcedures(registry, context);
    registerGiftVipProcedures(registry, context);
    registerSessionProcedures(registry, context);
    registerMfaProcedures(registry, context);
    registerFavoriteProcedures(registry, context);
    registerAdminProcedures(registry, context);
    registerOperatorProcedures(registry, context);
}
