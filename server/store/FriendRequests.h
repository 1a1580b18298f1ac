#pragma once

// Friend requests between users: sent, listed for the recipient, accepted (which
// makes the two mutual contacts) or rejected. Only the recipient answers a request.

#include <QJsonArray>
#include <QString>

#include <optional>

class Contacts;
class Database;

class FriendRequests {
public:
    static constexpr int kMaxMessage = 200;

    FriendRequests(Database& db, Contacts& contacts);

    // Requests sent to the user, pending ones first, newest first within each.
    QJsonArray incoming(qint64 userId);
    qint64 pendingCount(qint64 userId);
    // Returns the new request's id; throws 400 (self), 404 (no such user) or 409
    // (already contacts, or a request still pending).
    qint64 send(qint64 fromUserId, qint64 toUserId, const std::optional<QString>& message);
    // Returns the id of the user who sent the request.
    qint64 accept(qint64 requestId, qint64 userId);
    void reject(qint64 requestId, qint64 userId);
    // The request as the recipient's list shows it.
    QJsonObject requestJson(qint64 requestId);

private:
    // The pending request sent to this user; throws 404 (not theirs) or 409 (answered).
    qint64 pendingSender(qint64 requestId, qint64 userId);

    Database& m_db;
    Contacts& m_contacts;
};
