#include "live/LiveHub.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/DeviceSessions.h"

#include "models/Json.h"

#include <QJsonObject>

#include <memory>

void registerSessionProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const auto sessions = std::make_shared<DeviceSessions>(context.db);

    registry.add(QStringLiteral("user.listSessions"), ProcedureKind::Query, [sessions](const ProcedureCall& call) -> QJsonValue {
        return sessions->loginSessions(call.userId, call.sessionId);
    });

    registry.add(QStringLiteral("user.revokeSession"), ProcedureKind::Mutation, [&context, sessions](const ProcedureCall& call) -> QJsonValue {
        const qint64 sessionId = call.reader().required<qint64>(QLatin1StringView("sessionId"));
        sessions->revokeSession(call.userId, sessionId);
        context.hub.closeSession(sessionId);
        return procedureSuccess();
    });

    registry.add(QStringLiteral("session.myDevices"), ProcedureKind::Query, [sessions](const ProcedureCall& call) -> QJsonValue {
        return sessions->devices(call.userId, call.sessionId);
    });

    // The key is called "token" but carries the device id of the device to sign out.
    registry.add(QStringLiteral("session.logout"), ProcedureKind::Mutation, [&context, sessions](const ProcedureCall& call) -> QJsonValue {
        const QString deviceId = call.reader().required<QString>(QLatin1StringView("token"));
        for (const qint64 ended : sessions->logoutDevice(call.userId, deviceId))
            context.hub.closeSession(ended);
        return procedureSuccess();
    });

    // Likewise "currentToken" is the device id of the device that stays signed in.
    registry.add(QStringLiteral("session.revokeOthers"), ProcedureKind::Mutation, [&context, sessions](const ProcedureCall& call) -> QJsonValue {
        const QString deviceId = call.reader().required<QString>(QLatin1StringView("currentToken"));
        for (const qint64 ended : sessions->revokeOthers(call.userId, call.sessionId, deviceId))
            context.hub.closeSession(ended);
        return procedureSuccess();
    });
}
