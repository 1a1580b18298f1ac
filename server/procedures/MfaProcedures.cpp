#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Database.h"
#include "store/TwoFactor.h"

#include "models/Json.h"

#include <QJsonObject>

void registerMfaProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    TwoFactor& twoFactor = context.twoFactor;

    registry.add(QStringLiteral("user.mfaStatus"), ProcedureKind::Query, [&twoFactor](const ProcedureCall& call) -> QJsonValue {
        return twoFactor.status(call.userId);
    });

    registry.add(QStringLiteral("user.setupMFA"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const QString account = context.db.scalar(QStringLiteral("SELECT username FROM users WHERE id = ?"), { call.userId }).toString();
        return context.twoFactor.setup(call.userId, account);
    });

    registry.add(QStringLiteral("user.verifyMFA"), ProcedureKind::Mutation, [&twoFactor](const ProcedureCall& call) -> QJsonValue {
        twoFactor.verify(call.userId, call.reader().required<QString>(QLatin1StringView("code")));
        return procedureSuccess();
    });

    registry.add(QStringLiteral("user.disableMFA"), ProcedureKind::Mutation, [&twoFactor](const ProcedureCall& call) -> QJsonValue {
        twoFactor.disable(call.userId, call.reader().required<QString>(QLatin1StringView("code")));
        return procedureSuccess();
    });
}
