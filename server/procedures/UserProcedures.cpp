#include "http/ServerError.h"
#include "live/LiveHub.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Accounts.h"

void registerUserProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    registry.add(QStringLiteral("user.getMyProfile"), ProcedureKind::Query, [&context](const ProcedureCall& call) -> QJsonValue {
        const auto user = context.accounts.userJson(call.userId, context.hub.isOnline(call.userId));
        if (!user)
            throw ServerError::unauthorized();
        return *user;
    });
}
