#include "network/WebSocketDispatch.h"

#include "models/Json.h"
#include "models/WSMessageType.h"
#include "network/WebSocketService.h"

#include <QDateTime>
#include <QDebug>

WebSocketDispatch::WebSocketDispatch(WebSocketService& channel)
    : m_channel(channel)
{
}

void WebSocketDispatch::handle(const QString& text, bool fromCurrent)
{
    const QByteArray bytes = text.toUtf8();

    std::optional<WSMessage> message;
    try {
        message = json::decode<WSMessage>(bytes);
    } catch (const json::DecodeError&) {
        // The raw branches below still see the frame.
    }

    // A frame that is not a JSON object ends up with the empty type and publishes nothing.
    std::optional<QJsonObject> rawPayload;
    // The same reader as the typed decoding, so both accept the same frames.
    QJsonObject object;
    try {
        object = json::parse(bytes).toObject();
    } catch (const json::DecodeError&) {
    }
    const QJsonValue payload = object.value(QLatin1StringView("payload"));
    if (payload.isObject())
        rawPayload = payload.toObject();
    process(object.value(QLatin1StringView("type")).toString(), message, rawPayload, fromCurrent);
}

namespace {

// Reads the values of a frame's raw payload. A value of the wrong JSON type
// counts as missing, and so does every value of an absent or empty payload.
class RawPayload {
public:
    explicit RawPayload(const std::optional<QJsonObject>& payload)
        : m_reader(payload.value_or(QJsonObject()), json::Path {})
        , m_present(payload && !payload->isEmpty())
    {
    }

    bool present() const { return m_present; }

    template <typename T>
    std::optional<T> get(QLatin1StringView key) const
    {
        return m_present ? m_reader.lenient<T>(key) : std::nullopt;
    }

    std::optional<qint64> integer(QLatin1StringView key) const { return get<qint64>(key); }
    std::optional<QString> string(QLatin1StringView key) const { return get<QString>(key); }
    std::optional<bool> boolean(QLatin1StringView key) const { return get<bool>(key); }

    // A record or list nested in the payload; absent when it does not decode.
    template <typename T>
    std::optional<T> decoded(QLatin1StringView key) const
    {
        if (!m_present)
            return std::nullopt;
        try {
            return json::decode<T>(m_reader.value(key));
        } catch (const json::DecodeError&) {
            return std::nullopt;
        }
    }

private:
    json::Reader m_reader;
    bool m_present;
};

} // namespace

void WebSocketDispatch::process(const QString& type, const std::optional<WSMessage>& message,
                                const std::optional<QJsonObject>& rawPayload, bool fromCurrent)
{
    WebSocketService& c = m_channel;
    using namespace Qt::StringLiterals;

    if (message)
        Q_EMIT c.messageSubject(*message);

    const RawPayload raw(rawPayload);
    // The typed rows need both the decoded frame and its payload.
    const WSPayload* typed = message && message->payload ? &*message->payload : nullptr;

    if (type == u"auth_success") {
        if (fromCurrent)
            c.accepted();
    } else if (type == u"message_ack") {
        const auto clientMsgId = raw.string("clientMsgId"_L1);
        const auto serverMsgId = raw.string("serverMsgId"_L1);
        const auto messageId = raw.integer("messageId"_L1);
        if (clientMsgId && serverMsgId && messageId) {
            c.messageAnswered(*clientMsgId, std::nullopt);
            Q_EMIT c.messageAckSubject(*clientMsgId, *serverMsgId, *messageId, raw.boolean("isDuplicate"_L1).value_or(false));
        }
    } else if (type == u"message_deliver") {
        const auto delivered = raw.decoded<Message>("message"_L1);
        if (delivered && !c.m_handover.isRepeatDelivery(delivered->id)) {
            Q_EMIT c.newMessageSubject(*delivered);
            c.sendDeliveryAck(delivered->id);
        }
    } else if (type == u"message_read_notify") {
        const auto conversationId = raw.integer("conversationId"_L1);
        const auto readBy = raw.integer("readBy"_L1);
        if (conversationId && readBy)
            Q_EMIT c.readSubject(*conversationId, *readBy);
    } else if (type == u"read_sync") {
        if (const auto conversationId = raw.integer("conversationId"_L1))
            Q_EMIT c.readSubject(*conversationId, c.currentUserId().value_or(0));
    } else if (type == u"message_revoked") {
        const auto messageId = raw.integer("messageId"_L1);
        const auto conversationId = raw.integer("conversationId"_L1);
        if (messageId && conversationId)
            Q_EMIT c.revokeSubject(*messageId, *conversationId, raw.boolean("removedByAdmin"_L1).value_or(false));
    } else if (type == u"sync_response") {
        if (const auto messages = raw.decoded<QList<Message>>("messages"_L1))
            Q_EMIT c.syncResponseSubject(*messages, raw.boolean("hasMore"_L1).value_or(false), raw.string("nextCursor"_L1));
    } else if (type == u"message") {
        if (typed && typed->messageId && typed->conversationId && typed->senderId
            && !c.m_handover.isRepeatDelivery(*typed->messageId)) {
            Message built;
            built.id = *typed->messageId;
            built.conversationId = *typed->conversationId;
            built.senderId = *typed->senderId;
            built.type = typed->messageType.value_or(u"text"_s);
            built.content = typed->content;
            built.fileUrl = typed->fileUrl;
            built.fileName = typed->fileName;
            built.senderName = typed->senderName;
            built.status = u"delivered"_s;
            built.createdAt = typed->createdAt.value_or(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
            Q_EMIT c.newMessageSubject(built);
        }
    } else if (type == u"typing") {
        if (typed && typed->conversationId) {
            const std::optional<qint64> userId = typed->userId ? typed->userId : raw.integer("userId"_L1);
            if (userId)
                Q_EMIT c.typingSubject(*typed->conversationId, *userId, typed->userName.value_or(QString()));
        }
    } else if (type == u"read") {
        if (typed && typed->conversationId && typed->userId)
            Q_EMIT c.readSubject(*typed->conversationId, *typed->userId);
    } else if (type == u"online") {
        if (typed && typed->userId) {
            c.setUserOnline(*typed->userId, true);
            Q_EMIT c.presenceSubject(*typed->userId, true);
        }
    } else if (type == u"offline") {
        if (typed && typed->userId) {
            c.setUserOnline(*typed->userId, false);
            Q_EMIT c.presenceSubject(*typed->userId, false);
        }
    } else if (type == u"reaction") {
        if (typed && typed->messageId && typed->userId && typed->emoji && typed->action)
            Q_EMIT c.reactionSubject(*typed->messageId, *typed->userId, *typed->emoji, *typed->action);
    } else if (type == u"revoke") {
        if (typed && typed->messageId && typed->conversationId)
            Q_EMIT c.revokeSubject(*typed->messageId, *typed->conversationId, false);
    } else if (type == u"message_edit") {
        if (typed && typed->messageId && typed->conversationId && typed->content)
            Q_EMIT c.editSubject(*typed->messageId, *typed->conversationId, *typed->content);
    } else if (type == u"pong") {
        c.pongReceived(fromCurrent);
    } else if (type == u"error") {
        const QString code = raw.string("code"_L1).value_or(u"UNKNOWN"_s);
        qWarning().noquote() << "[WS] Error from server: "_L1 + code;
        if (code == u"AUTH_FAILED" && fromCurrent)
            c.authenticationRefused();
        else if (const auto clientMsgId = raw.string("clientMsgId"_L1))
            c.messageAnswered(*clientMsgId, raw.string("reason"_L1).value_or(raw.string("message"_L1).value_or(code)));
    } else if (type == u"message_edited") {
        const auto messageId = raw.integer("messageId"_L1);
        const auto conversationId = raw.integer("conversationId"_L1);
        const auto newContent = raw.string("newContent"_L1);
        if (messageId && conversationId && newContent) {
            Q_EMIT c.messageEditedSubject(*messageId, *conversationId, *newContent, raw.integer("editedBy"_L1).value_or(0));
            Q_EMIT c.editSubject(*messageId, *conversationId, *newContent);
        }
    } else if (type == u"message_pinned" || type == u"message_unpinned") {
        const auto messageId = raw.integer("messageId"_L1);
        const auto conversationId = raw.integer("conversationId"_L1);
        if (messageId && conversationId) {
            if (type == u"message_pinned")
                Q_EMIT c.messagePinnedSubject(*messageId, *conversationId);
            else
                Q_EMIT c.messageUnpinnedSubject(*messageId, *conversationId);
        }
    } else if (type == u"mute_ack" || type == rawValue(WSMessageType::UnmuteAck)) {
        if (const auto conversationId = raw.integer("conversationId"_L1))
            Q_EMIT c.muteAckSubject(*conversationId, type == u"mute_ack");
    } else if (message) {
        if (type.startsWith(u"call_"))
            Q_EMIT c.callSubject(*message);
        else if (type.startsWith(u"friend_"))
            Q_EMIT c.friendRequestSubject(*message);
    }
}
