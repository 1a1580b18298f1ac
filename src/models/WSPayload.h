#pragma once

#include "models/AnyCodableValue.h"
#include "models/Json.h"
#include "models/Message.h"

#include <QList>
#include <QString>

#include <optional>

// The payload of a WebSocket frame: one flat record covering every frame kind; a
// frame fills only the fields its kind uses. A default payload has every field absent.
struct WSPayload {
    std::optional<qint64> userId {};
    std::optional<QString> token {};
    std::optional<QString> deviceId {};
    std::optional<QString> deviceType {};
    std::optional<qint64> tenantId {};
    std::optional<qint64> serverTime {};
    std::optional<Message> message {};
    std::optional<qint64> messageId {};
    std::optional<qint64> conversationId {};
    std::optional<qint64> senderId {};
    std::optional<QString> senderName {};
    std::optional<QString> content {};
    std::optional<QString> messageType {};
    std::optional<QString> fileUrl {};
    std::optional<QString> fileName {};
    std::optional<qint64> fileSize {};
    std::optional<QString> fileMimeType {};
    std::optional<QString> createdAt {};
    std::optional<QString> clientMsgId {};
    std::optional<QString> serverMsgId {};
    std::optional<bool> isDuplicate {};
    std::optional<QString> afterServerMsgId {};
    std::optional<qint64> replyToId {};
    std::optional<QList<AnyCodableValue::Dict>> conversations {};
    std::optional<QList<Message>> messages {};
    std::optional<bool> hasMore {};
    std::optional<QString> nextCursor {};
    std::optional<qint64> readBy {};
    std::optional<qint64> revokedBy {};
    std::optional<QString> code {};
    std::optional<QString> userName {};
    std::optional<QString> emoji {};
    std::optional<QString> action {};
    std::optional<AnyCodableValue> callId {};
    std::optional<qint64> callerId {};
    std::optional<qint64> calleeId {};
    std::optional<QString> callerName {};
    std::optional<QString> callerAvatar {};
    std::optional<QString> callType {};
    std::optional<AnyCodableValue> sdp {};
    std::optional<AnyCodableValue> candidate {};
    std::optional<qint64> targetUserId {};
    std::optional<qint64> accepterId {};
    std::optional<qint64> rejecterId {};
    std::optional<qint64> hanguperId {};
    std::optional<QString> reason {};
    std::optional<qint64> duration {};
    std::optional<qint64> ttl {};
    std::optional<qint64> pollId {};
    std::optional<qint64> optionId {};

    static WSPayload read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
