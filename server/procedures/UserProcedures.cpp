#include "http/ServerError.h"
#include "models/Json.h"
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
    // The profile editor's save: absent keys stay as they are; the reply is the stored profile.
    registry.add(QStringLiteral("user.updateProfile"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        ProfileChanges changes;
        changes.name = input.optional<QString>(QLatin1StringView("name"));
        changes.bio = input.optional<QString>(QLatin1StringView("bio"));
        changes.email = input.optional<QString>(QLatin1StringView("email"));
        changes.gender = input.optional<QString>(QLatin1StringView("gender"));
        changes.region = input.optional<QString>(QLatin1StringView("region"));
        context.accounts.updateProfile(call.userId, changes);
        const auto user = context.accounts.userJson(call.userId, context.hub.isOnline(call.userId));
        if (!user)
            throw ServerError::unauthorized();
        return *user;
    });
}
