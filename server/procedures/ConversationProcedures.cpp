#include "http/ServerError.h"
#include "live/LiveHub.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Conversations.h"
#include "store/SystemSettings.h"

#include "models/Json.h"

#include <QJsonObject>

void registerConversationProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    registry.addText(QStringLiteral("conversations.list"), ProcedureKind::Query, [&context](const ProcedureCall& call) {
        return context.conversations.listFor(call.userId, context.hub.presenceFor(call.userId),
            [&context](const QList<qint64>& ids) { return context.messages.messagesJsonText(ids); });
    });

    registry.add(QStringLiteral("conversations.create"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        const QString type = input.required<QString>(QLatin1StringView("type"));
        const auto name = input.optional<QString>(QLatin1StringView("name"));
        // The list is held to its limit before any of its ids is read: the other member
        // (and perhaps the caller) of a private conversation, the group's size of a group.
        const qsizetype sent = input.required<QJsonValue>(QLatin1StringView("memberIds")).toArray().size();
        if (type == u"private" && sent > 2)
            throw ServerError::badRequest(Text::PrivateExactlyOneOther);
        if (const qint64 maxMembers = SystemSettings(context.db).maxGroupMembers(); type == u"group" && sent > maxMembers)
            throw ServerError::badRequest(Text::GroupTooManyMembers, maxMembers);
        QList<qint64> members = input.required<QList<qint64>>(QLatin1StringView("memberIds"));
        members.removeAll(call.userId);
        qint64 id = 0;
        if (type == u"private") {
            if (members.size() != 1)
                throw ServerError::badRequest(Text::PrivateExactlyOneOther);
            id = context.conversations.openPrivate(call.userId, members.first());
        } else if (type == u"group") {
            id = context.conversations.createGroup(call.userId, name.value_or(QString()), members);
        } else {
            throw ServerError::badRequest(Text::ConversationTypeValues);
        }
        return QJsonObject { { QStringLiteral("conversationId"), id } };
    });

    registry.add(QStringLiteral("conversations.markAsRead"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const qint64 conversationId = call.reader().required<qint64>(QLatin1StringView("conversationId"));
        context.conversations.requireMember(conversationId, call.userId);
        if (const auto lastRead = context.conversations.markRead(conversationId, call.userId))
            context.hub.notifyRead(conversationId, call.userId, *lastRead);
        return procedureSuccess();
    });

    registry.add(QStringLiteral("conversations.deleteForUser"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        const qint64 conversationId = call.reader().required<qint64>(QLatin1StringView("conversationId"));
        context.conversations.requireMember(conversationId, call.userId);
        context.conversations.deleteForUser(conversationId, call.userId);
        return procedureSuccess();
    });
}
