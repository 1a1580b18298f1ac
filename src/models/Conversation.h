#pragma once

#include "models/Json.h"

#include <QHashFunctions>
#include <QString>

#include <optional>

// One entry of the conversation list. The server sends the last message as text or
// as a small message object; either way it is held here as the one-line preview.
struct Conversation {
    qint64 id = 0;
    QString type {}; // "private" or "group"
    std::optional<QString> name {};
    std::optional<QString> avatar {};
    std::optional<qint64> creatorId {};
    std::optional<qint64> memberCount {};
    std::optional<qint64> disappearingTtl {};
    std::optional<QString> createdAt {};
    std::optional<QString> updatedAt {};
    std::optional<QString> lastMessage {};
    std::optional<QString> lastMessageTime {};
    // The server's id of the message the preview shows, when known: newer messages have higher ids.
    std::optional<qint64> lastMessageId {};
    std::optional<qint64> unreadCount {};
    std::optional<bool> isPinned {};
    std::optional<bool> isMuted {};
    std::optional<bool> online {};
    // The other member of a private conversation, when the server says.
    std::optional<qint64> peerId {};
    // Kept by the client when the newest message was taken back; the preview is
    // then the revoked notice, worded in the language in force when it is shown.
    struct RevokedPreview {
        bool isMine = false;
        QString senderName;
        bool byAdministrator = false;
        // Whose it was: the list knows whether that is the signed-in user.
        qint64 senderId = 0;
    };
    std::optional<RevokedPreview> revokedPreview {};
    // What the newest message announces when the server itself wrote it
    // ("group_dissolved"); the preview is then worded in the language in force.
    std::optional<QString> lastMessageNotice {};
    // Kept by the client when the newest message shown is one of this user's that failed.
    bool lastMessageFailed = false;

    // The list's stand-in text for a message of this type ("[图片]" for "image"),
    // or empty when the message shows its own content.
    static QString previewText(const std::optional<QString>& messageType);

    static Conversation read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const Conversation& a, const Conversation& b) { return a.id == b.id; }
    friend size_t qHash(const Conversation& conversation, size_t seed = 0) noexcept
    {
        return qHash(conversation.id, seed);
    }
};
