#include "http/ServerError.h"
#include "live/LiveHub.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Accounts.h"
#include "store/Messages.h"

#include "models/Json.h"

#include <QJsonObject>

void registerMessageProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    registry.add(QStringLiteral("messages.list"), ProcedureKind::Query, [&context](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        const qint64 conversationId = input.required<qint64>(QLatin1StringView("conversationId"));
        const qint64 limit = input.optional<qint64>(QLatin1StringView("limit")).value_or(50);
        const qint64 offset = input.optional<qint64>(QLatin1StringView("offset")).value_or(0);
        if (limit < 1 || limit > Messages::kMaxPageSize || offset < 0 || offset > std::numeric_limits<int>::max())
            throw ServerError::badRequest(Text::LimitOrOffsetOutOfRange, Messages::kMaxPageSize);
        return context.messages.list(conversationId, call.userId, int(limit), int(offset));
    });

    registry.add(QStringLiteral("messages.revoke"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const qint64 messageId = call.reader().required<qint64>(QLatin1StringView("messageId"));
        const qint64 conversationId = context.messages.revoke(messageId, call.userId);
        context.hub.sendToConversation(conversationId, QStringLiteral("message_revoked"),
            { { QStringLiteral("messageId"), messageId },
              { QStringLiteral("conversationId"), conversationId },
              { QStringLiteral("revokedBy"), call.userId } });
        return procedureSuccess();
    });

    registry.add(QStringLiteral("messages.addReaction"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        const qint64 messageId = input.required<qint64>(QLatin1StringView("messageId"));
        const QString emoji = input.required<QString>(QLatin1StringView("emoji"));
        const ReactionChange change = context.messages.addReaction(messageId, call.userId, emoji);
        // Adding the same reaction twice changes nothing and tells nobody.
        if (change.changed) {
            context.hub.sendToUsers(context.conversations.membersReachableFrom(change.conversationId, call.userId), QStringLiteral("reaction"),
                { { QStringLiteral("messageId"), messageId },
                  { QStringLiteral("conversationId"), change.conversationId },
                  { QStringLiteral("userId"), call.userId },
                  { QStringLiteral("userName"), context.accounts.displayName(call.userId) },
                  { QStringLiteral("emoji"), emoji },
                  { QStringLiteral("action"), QStringLiteral("add") } });
        }
        return procedureSuccess();
    });
}
