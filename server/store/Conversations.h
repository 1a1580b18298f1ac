#pragma once

// Conversations, their members and the groups that carry group conversations.
// Every read is made for one user and sees only conversations that user belongs to.

#include "live/Presence.h"

#include <QJsonArray>
#include <QList>
#include <QString>

#include <optional>

class Database;

class Conversations {
public:
    static constexpr int kMaxGroupName = 64;

    explicit Conversations(Database& db);

    bool isMember(qint64 conversationId, qint64 userId);
    // Throws ServerError 404 unless the user belongs to the conversation, so that
    // strangers cannot even learn that it exists.
    void requireMember(qint64 conversationId, qint64 userId);
    QList<qint64> memberIds(qint64 conversationId);

    // The one private conversation of two users, made on first use; shown again to
    // the creator if they had deleted it.
    qint64 openPrivate(qint64 userId, qint64 otherUserId);
    // At most the configured number of members, the owner included.
    qint64 createGroup(qint64 ownerId, const QString& name, const QList<qint64>& memberIds);
    // A group an administrator dissolved: it keeps its history but takes no more messages.
    bool isDissolvedGroup(qint64 conversationId);

    QJsonArray listFor(qint64 userId, const Presence& online);
    // Active groups only.
    QJsonArray groupsFor(qint64 userId);
    QJsonArray membersOf(qint64 conversationId, const Presence& online);

    // Moves the user's read mark to the newest message and marks the others' messages
    // read; returns that message id when the mark moved.
    std::optional<qint64> markRead(qint64 conversationId, qint64 userId);
    // Hides the conversation and its history so far from this user only.
    void deleteForUser(qint64 conversationId, qint64 userId);
    // A new message brings a hidden conversation back for everyone.
    void showToAll(qint64 conversationId);
    // Messages at or below this id are hidden from the user (deleted history).
    qint64 clearedBefore(qint64 conversationId, qint64 userId);

private:
    QJsonObject lastMessageJson(qint64 messageId);

    Database& m_db;
};
