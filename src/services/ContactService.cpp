#include "services/ContactService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

using namespace Qt::Literals::StringLiterals;

ContactService& ContactService::shared()
{
    static ContactService instance(APIClient::shared());
    return instance;
}

QCoro::Task<QList<Contact>> ContactService::getContacts()
{
    return procedure::query<QList<Contact>>(api, u"contacts.list"_s);
}

QCoro::Task<qint64> ContactService::getPendingRequestCount()
{
    return procedure::query<qint64>(api, u"contacts.getPendingRequestCount"_s);
}

QCoro::Task<QList<FriendRequest>> ContactService::getFriendRequests()
{
    return procedure::query<QList<FriendRequest>>(api, u"contacts.getFriendRequests"_s);
}

QCoro::Task<QList<User>> ContactService::searchUsers(QString keyword)
{
    struct Input {
        QString keyword;
        void write(json::Writer& w) const { w.required("keyword"_L1, keyword); }
    };
    return procedure::query<QList<User>>(api, u"user.search"_s, Input { std::move(keyword) });
}

QCoro::Task<> ContactService::sendFriendRequest(qint64 toUserId, std::optional<QString> message)
{
    struct Input {
        qint64 toUserId;
        std::optional<QString> message;
        void write(json::Writer& w) const
        {
            w.required("toUserId"_L1, toUserId);
            w.optional("message"_L1, message);
        }
    };
    return procedure::mutation<void>(api, u"contacts.sendFriendRequest"_s, Input { toUserId, std::move(message) });
}

QCoro::Task<> ContactService::acceptFriendRequest(qint64 requestId)
{
    return procedure::mutation<void>(api, u"contacts.acceptFriendRequest"_s, procedure::Id { "requestId"_L1, requestId });
}

QCoro::Task<> ContactService::rejectFriendRequest(qint64 requestId)
{
    return procedure::mutation<void>(api, u"contacts.rejectFriendRequest"_s, procedure::Id { "requestId"_L1, requestId });
}

QCoro::Task<> ContactService::deleteContact(qint64 contactId)
{
    return procedure::mutation<void>(api, u"contacts.delete"_s, procedure::Id { "contactId"_L1, contactId });
}

QCoro::Task<> ContactService::reportUser(qint64 userId, QString reason, std::optional<QString> description)
{
    struct Input {
        qint64 userId;
        QString reason;
        std::optional<QString> description;
        void write(json::Writer& w) const
        {
            w.required("userId"_L1, userId);
            w.required("reason"_L1, reason);
            w.optional("description"_L1, description);
        }
    };
    return procedure::mutation<void>(
        api, u"user.report"_s, Input { userId, std::move(reason), std::move(description) });
}

QCoro::Task<> ContactService::unblock(qint64 contactId)
{
    return procedure::mutation<void>(api, u"contacts.unblock"_s, procedure::Id { "contactId"_L1, contactId });
}
