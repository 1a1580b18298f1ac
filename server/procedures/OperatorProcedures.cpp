#include "http/ServerError.h"
#include "live/LiveHub.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "Roles.h"
#include "store/Conversations.h"
#include "store/Messages.h"
#include "store/ServiceSessions.h"

#include "models/Json.h"

#include <QJsonObject>
#include <QUuid>

void registerOperatorProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const QStringList staff { roles::kOperator, roles::kAdmin };

    registry.add(QStringLiteral("operator.getSessions"), ProcedureKind::Query, [&context](const ProcedureCall& call) -> QJsonValue {
        return ServiceSessions(context.db).sessionsFor(call.userId);
    }, staff);

    registry.add(QStringLiteral("operator.getStats"), ProcedureKind::Query, [&context](const ProcedureCall& call) -> QJsonValue {
        return ServiceSessions(context.db).statsFor(call.userId);
    }, staff);

    registry.add(QStringLiteral("operator.acceptSession"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        ServiceSessions(context.db).accept(call.reader().required<qint64>(QLatin1StringView("sessionId")), call.userId);
        return procedureSuccess();
    }, staff);

    registry.add(QStringLiteral("operator.endSession"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        ServiceSessions(context.db).end(call.reader().required<qint64>(QLatin1StringView("sessionId")), call.userId, call.role == roles::kAdmin);
        return procedureSuccess();
    }, staff);

    // The reply is an ordinary chat message in the customer's private conversation
    // with the operator, so the customer reads it in the chat, live.
    registry.add(QStringLiteral("operator.sendMessage"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        const qint64 sessionId = input.required<qint64>(QLatin1StringView("sessionId"));
        const QString content = input.required<QString>(QLatin1StringView("content")).trimmed();
        ServiceSessions sessions(context.db);
        const qint64 customerId = sessions.customerToAnswer(sessionId, call.userId);
        if (content.isEmpty())
            throw ServerError::badRequest(Text::ReplyBlank);
        if (content.size() > ServiceSessions::kMaxReply)
            throw ServerError::badRequest(Text::ReplyTooLong, ServiceSessions::kMaxReply);

        OutgoingMessage message;
        message.clientMsgId = QStringLiteral("operator-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        message.conversationId = context.conversations.openPrivate(call.userId, customerId);
        message.type = QStringLiteral("text");
        message.content = content;
        const StoredMessage stored = context.messages.store(call.userId, message);
        sessions.recordReply(sessionId, content);
        if (const auto json = context.messages.messageJson(stored.messageId))
            context.hub.sendToConversation(message.conversationId, QStringLiteral("message_deliver"), { { QStringLiteral("message"), *json } });
        return procedureSuccess();
    }, staff);
}
