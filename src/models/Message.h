#pragma once

#include "models/Json.h"

#include <QList>
#include <QString>

#include <optional>

// One user's emoji on one message; travels inside the message.
struct MessageReaction {
    qint64 messageId = 0;
    qint64 userId = 0;
    QString emoji {};
    std::optional<QString> userName {};

    // "<messageId>_<userId>_<emoji>": one user's emoji on one message is one reaction,
    // whatever name came with it.
    QString id() const;

    static MessageReaction read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// One chat message. The sender's name and avatar arrive either in a nested "sender"
// object or as the flat keys "senderName" and "senderAvatar".
struct Message {
    qint64 id = 0;
    qint64 conversationId = 0;
    qint64 senderId = 0;
    QString type {};
    std::optional<QString> content {};
    std::optional<QString> fileUrl {};
    std::optional<QString> fileName {};
    std::optional<qint64> fileSize {};
    std::optional<QString> fileMimeType {};
    std::optional<QString> status {};
    std::optional<qint64> forwardedFromMessageId {};
    std::optional<QString> editedAt {};
    std::optional<QString> revokedAt {};
    // Taken back by an administrator, not by its sender.
    std::optional<bool> removedByAdmin {};
    // What a "system" message of the server's own announces ("group_dissolved"); the
    // client words it in its own language.
    std::optional<QString> notice {};
    std::optional<QString> expiresAt {};
    std::optional<qint64> threadRootId {};
    std::optional<bool> encrypted {};
    std::optional<QString> createdAt {};
    std::optional<QString> serverMsgId {};
    std::optional<QString> clientMessageId {};
    std::optional<QString> senderName {};
    std::optional<QString> senderAvatar {};
    std::optional<QList<MessageReaction>> reactions {};
    std::optional<qint64> readCount {};
    // Kept by the client for a message of this user that it sent: its frame went
    // out, so the server may hold it even when no acknowledgement came. False when
    // the frame never left or the server refused it.
    bool mayBeOnServer = false;

    static Message read(const json::Reader& reader);
    // Leaves out the forwarding, edit, revocation (and its administrator mark), notice, expiry, thread,
    // encryption and read-count fields, so a message written and read back has lost them.
    void write(json::Writer& writer) const;

    friend bool operator==(const Message& a, const Message& b) { return a.id == b.id; }
};
