#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "Roles.h"
#include "store/SensitiveWords.h"
#include "store/SystemSettings.h"

#include "models/Json.h"

#include <QJsonObject>

void registerAdminProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const QStringList admins { roles::kAdmin };

    registry.add(QStringLiteral("admin.getSystemConfig"), ProcedureKind::Query, [&context](const ProcedureCall&) -> QJsonValue {
        return SystemSettings(context.db).configJson();
    }, admins);

    registry.add(QStringLiteral("admin.updateSystemConfig"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        SystemSettings(context.db).update(call.reader());
        return procedureSuccess();
    }, admins);

    registry.add(QStringLiteral("admin.getSensitiveWords"), ProcedureKind::Query, [&context](const ProcedureCall&) -> QJsonValue {
        return SensitiveWords(context.db).list();
    }, admins);

    registry.add(QStringLiteral("admin.addSensitiveWord"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        NewSensitiveWord entry;
        entry.word = input.required<QString>(QLatin1StringView("word"));
        entry.category = input.required<QString>(QLatin1StringView("category"));
        return SensitiveWords(context.db).add(entry);
    }, admins);

    registry.add(QStringLiteral("admin.deleteSensitiveWord"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        SensitiveWords(context.db).remove(call.reader().required<qint64>(QLatin1StringView("id")));
        return procedureSuccess();
    }, admins);
}
