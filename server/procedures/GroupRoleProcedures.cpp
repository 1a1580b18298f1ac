#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/GroupRoles.h"

#include "models/Json.h"

#include <memory>

void registerGroupRoleProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const auto roles = std::make_shared<GroupRoles>(context.db);

    registry.add(QStringLiteral("groupRole.create"), ProcedureKind::Mutation, [roles](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        return roles->create(call.userId, input.required<qint64>(QLatin1StringView("groupId")),
            input.required<QString>(QLatin1StringView("name")), input.optional<QString>(QLatin1StringView("color")),
            input.required<QJsonObject>(QLatin1StringView("permissions")));
    });

    registry.add(QStringLiteral("groupRole.update"), ProcedureKind::Mutation, [roles](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        roles->update(call.userId, input.required<qint64>(QLatin1StringView("roleId")),
            input.required<qint64>(QLatin1StringView("groupId")), input.optional<QString>(QLatin1StringView("name")),
            input.optional<QString>(QLatin1StringView("color")), input.optional<QJsonObject>(QLatin1StringView("permissions")));
        return procedureSuccess();
    });

    registry.add(QStringLiteral("groupRole.assign"), ProcedureKind::Mutation, [roles](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        roles->assign(call.userId, input.required<qint64>(QLatin1StringView("groupId")),
            input.required<qint64>(QLatin1StringView("targetUserId")), input.required<qint64>(QLatin1StringView("roleId")));
        return procedureSuccess();
    });

    registry.add(QStringLiteral("groupRole.remove"), ProcedureKind::Mutation, [roles](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        roles->remove(call.userId, input.required<qint64>(QLatin1StringView("groupId")),
            input.required<qint64>(QLatin1StringView("targetUserId")), input.required<qint64>(QLatin1StringView("roleId")));
        return procedureSuccess();
    });
}
