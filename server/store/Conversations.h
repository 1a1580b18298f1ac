#pragma once

// Conversations, their members and the groups that carry group conversations.
// Every read is made for one user and sees only conversations that user belongs to.

#include "http/ServerError.h"
#include "live/Presence.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class Database;

// Whether a user may post into a conversation now.
struct PostingRight {
    bool member = false;
    // Why a member may still not post: a dissolved group, or a block between the two
    // members of a private conversation.
    std::optional<ServerError> refusal;
    // A customer writing privately to a staff account (operator or administrator): the
    // message opens or continues the customer's service session.
    bool reachesService = false;
};

class Conversations {
public:
    static constexpr int kMaxGroupName = 64;

    explicit Conversations(Database& db);

    bool isMember(qint64 conversationId, qint64 userId);
    // Throws ServerError 404 unless the user belongs to the conversation, so that
    // strangers cannot even learn that it exists.
    void requireMember(qint64 conversationId, qint64 userId);
    // The members that events caused by userId may reach: all but those in a block
    // with userId (userId included, for their other devices).
    QList<qint64> membersReachableFrom(qint64 conversationId, qint64 userId);
    QList<qint64> memberIds(qint64 conversationId);

    // The one private conversation of two users, made on first use; shown again to
    // the creator if they had deleted it.
    qint64 openPrivate(qint64 userId, qint64 otherUserId);
    // At most the configured number of members, the owner included; the others must be
    // the owner's contacts who have not blocked the owner (403 otherwise).
    qint64 createGroup(qint64 ownerId, const QString& name, const QList<qint64>& memberIds);
    // The other member of a private conversation; nothing for a group.
    std::optional<qint64> privatePeer(qint64 conversationId, qint64 userId);
    // Throws ServerError 403 when this is a private conversation and either member has
    // blocked the other: nothing is sent or typed into it then.
    void requireUnblocked(qint64 conversationId, qint64 userId);
    // In one look-up, since sends come in bursts. A group an administrator dissolved keeps
    // its history but takes no more messages.
    PostingRight postingRight(qint64 conversationId, qint64 userId);

    // The messages of these ids, written as the message list writes them (JSON text), by id.
    using MessagesById = std::function<QHash<qint64, QByteArray>(const QList<qint64>& messageIds)>;
    // Each conversation with its last message written whole, as the message list would:
    // the JSON text of the list.
    QByteArray listFor(qint64 userId, const Presence& online, const MessagesById& messagesById);
    // Active groups only.
    QJsonArray groupsFor(qint64 userId);
    QJsonArray membersOf(qint64 conversationId, const Presence& online);

    // Moves the user's read mark and read receipt to the newest message; returns that
    // message id when the mark moved.
    std::optional<qint64> markRead(qint64 conversationId, qint64 userId);
    // Hides the conversation and its history so far from this user only.
    void deleteForUser(qint64 conversationId, qint64 userId);
    // New messages bring hidden conversations back for everyone (showToAll) and move
    // their time (touch).
    void showToAll(const QList<qint64>& conversationIds);
    void touch(const QList<qint64>& conversationIds, const QString& time);
    // Messages at or below this id are hidden from the user (deleted history).
    qint64 clearedBefore(qint64 conversationId, qint64 userId);

private:
    Database& m_db;
};
