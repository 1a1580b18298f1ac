#include "live/LiveHub.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Accounts.h"
#include "store/Contacts.h"
#include "store/FriendRequests.h"
#include "store/UserDirectory.h"

#include "models/Json.h"

#include <QJsonObject>

#include <memory>

void registerContactRequestProcedures(ProcedureRegistry& registry, ServerContext& context)
{
    const auto requests = std::make_shared<FriendRequests>(context.db, context.contacts);
    const auto directory = std::make_shared<UserDirectory>(context.db);

    registry.add(QStringLiteral("contacts.getFriendRequests"), ProcedureKind::Query, [requests](const ProcedureCall& call) -> QJsonValue {
        return requests->incoming(call.userId);
    });

    registry.add(QStringLiteral("contacts.getPendingRequestCount"), ProcedureKind::Query, [requests](const ProcedureCall& call) -> QJsonValue {
        return requests->pendingCount(call.userId);
    });

    registry.add(QStringLiteral("contacts.sendFriendRequest"), ProcedureKind::Mutation, [&context, requests](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        const qint64 toUserId = input.required<qint64>(QLatin1StringView("toUserId"));
        const auto message = input.optional<QString>(QLatin1StringView("message"));
        const qint64 requestId = requests->send(call.userId, toUserId, message);
        const QJsonObject request = requests->requestJson(requestId);
        QJsonObject payload {
            { QStringLiteral("requestId"), requestId },
            { QStringLiteral("userId"), call.userId },
            { QStringLiteral("userName"), context.accounts.displayName(call.userId) },
            { QStringLiteral("targetUserId"), toUserId },
            { QStringLiteral("createdAt"), request.value(QLatin1StringView("createdAt")) },
            { QStringLiteral("request"), request },
        };
        if (request.contains(QLatin1StringView("message")))
            payload.insert(QStringLiteral("content"), request.value(QLatin1StringView("message")));
        context.hub.sendToUsers({ toUserId }, QStringLiteral("friend_request"), payload);
        return QJsonObject { { QStringLiteral("success"), true }, { QStringLiteral("requestId"), requestId } };
    });

    registry.add(QStringLiteral("contacts.acceptFriendRequest"), ProcedureKind::Mutation, [&context, requests](const ProcedureCall& call) -> QJsonValue {
        const qint64 requestId = call.reader().required<qint64>(QLatin1StringView("requestId"));
        const qint64 senderId = requests->accept(requestId, call.userId);
        context.hub.sendToUsers({ senderId }, QStringLiteral("friend_request_accepted"),
            { { QStringLiteral("requestId"), requestId },
              { QStringLiteral("userId"), call.userId },
              { QStringLiteral("accepterId"), call.userId },
              { QStringLiteral("userName"), context.accounts.displayName(call.userId) },
              { QStringLiteral("targetUserId"), senderId } });
        return procedureSuccess();
    });

    registry.add(QStringLiteral("contacts.rejectFriendRequest"), ProcedureKind::Mutation, [requests](const ProcedureCall& call) -> QJsonValue {
        requests->reject(call.reader().required<qint64>(QLatin1StringView("requestId")), call.userId);
        return procedureSuccess();
    });

    // contactId is the other user's id, not the id of the contact entry.
    registry.add(QStringLiteral("contacts.delete"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        context.contacts.remove(call.userId, call.reader().required<qint64>(QLatin1StringView("contactId")));
        return procedureSuccess();
    });

    registry.add(QStringLiteral("contacts.unblock"), ProcedureKind::Mutation, [&context](const ProcedureCall& call) -> QJsonValue {
        context.contacts.unblock(call.userId, call.reader().required<qint64>(QLatin1StringView("contactId")));
        return procedureSuccess();
    });

    registry.add(QStringLiteral("user.search"), ProcedureKind::Query, [&context, directory](const ProcedureCall& call) -> QJsonValue {
        return directory->search(call.userId, call.reader().required<QString>(QLatin1StringView("keyword")), context.hub.presence());
    });

    registry.add(QStringLiteral("user.report"), ProcedureKind::Mutation, [directory](const ProcedureCall& call) -> QJsonValue {
        const json::Reader input = call.reader();
        directory->report(call.userId, input.required<qint64>(QLatin1StringView("userId")),
            input.required<QString>(QLatin1StringView("reason")), input.optional<QString>(QLatin1StringView("description")));
        return procedureSuccess();
    });
}
