#pragma once

#include "models/Contact.h"
#include "models/FriendRequest.h"
#include "models/User.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>

class APIClient;

// Contacts, friend requests, user search, reporting and unblocking.
class ContactService final {
public:
    static ContactService& shared();
    explicit ContactService(APIClient& api)
        : api(api)
    {
    }

    QCoro::Task<QList<Contact>> getContacts();
    QCoro::Task<qint64> getPendingRequestCount();
    QCoro::Task<QList<FriendRequest>> getFriendRequests();
    QCoro::Task<QList<User>> searchUsers(QString keyword);
    QCoro::Task<> sendFriendRequest(qint64 toUserId, std::optional<QString> message);
    QCoro::Task<> acceptFriendRequest(qint64 requestId);
    QCoro::Task<> rejectFriendRequest(qint64 requestId);
    // contactId is the other user's id (Contact::contactId), not the entry's id.
    QCoro::Task<> deleteContact(qint64 contactId);
    QCoro::Task<> reportUser(qint64 userId, QString reason, std::optional<QString> description);
    QCoro::Task<> unblock(qint64 contactId);

    APIClient& api;
};
