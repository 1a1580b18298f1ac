#include "models/Message.h"

#include "models/NestedProfile.h"

using namespace Qt::StringLiterals;

QString MessageReaction::id() const
{
    return QString::number(messageId) + u'_' + QString::number(userId) + u'_' + emoji;
}

MessageReaction MessageReaction::read(const json::Reader& r)
{
    MessageReaction m;
    m.messageId = r.required<qint64>("messageId"_L1);
    m.userId = r.required<qint64>("userId"_L1);
    m.emoji = r.required<QString>("emoji"_L1);
    m.userName = r.optional<QString>("userName"_L1);
    return m;
}

void MessageReaction::write(json::Writer& w) const
{
    w.required("messageId"_L1, messageId);
    w.required("userId"_L1, userId);
    w.required("emoji"_L1, emoji);
    w.optional("userName"_L1, userName);
}

Message Message::read(const json::Reader& r)
{
    Message m;
    m.id = r.required<qint64>("id"_L1);
    m.conversationId = r.required<qint64>("conversationId"_L1);
    m.senderId = r.required<qint64>("senderId"_L1);
    m.type = r.required<QString>("type"_L1);
    m.content = r.optional<QString>("content"_L1);
    m.fileUrl = r.optional<QString>("fileUrl"_L1);
    m.fileName = r.optional<QString>("fileName"_L1);
    m.fileSize = r.optional<qint64>("fileSize"_L1);
    m.fileMimeType = r.optional<QString>("fileMimeType"_L1);
    m.status = r.optional<QString>("status"_L1);
    m.forwardedFromMessageId = r.optional<qint64>("forwardedFromMessageId"_L1);
    m.editedAt = r.optional<QString>("editedAt"_L1);
    m.revokedAt = r.optional<QString>("revokedAt"_L1);
    m.removedByAdmin = r.optional<bool>("removedByAdmin"_L1);
    m.notice = r.optional<QString>("notice"_L1);
    m.expiresAt = r.optional<QString>("expiresAt"_L1);
    m.threadRootId = r.optional<qint64>("threadRootId"_L1);
    m.encrypted = r.optional<bool>("encrypted"_L1);
    m.createdAt = r.optional<QString>("createdAt"_L1);
    m.serverMsgId = r.optional<QString>("serverMsgId"_L1);
    m.clientMessageId = r.optional<QString>("clientMessageId"_L1);
    m.reactions = r.optional<QList<MessageReaction>>("reactions"_L1);
    m.readCount = r.optional<qint64>("readCount"_L1);
    if (std::optional<NestedProfile> sender = r.nested<NestedProfile>("sender"_L1)) {
        m.senderName = std::move(sender->name);
        m.senderAvatar = std::move(sender->avatar);
    } else {
        m.senderName = r.optional<QString>("senderName"_L1);
        m.senderAvatar = r.optional<QString>("senderAvatar"_L1);
    }
    return m;
}

void Message::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("conversationId"_L1, conversationId);
    w.required("senderId"_L1, senderId);
    w.required("type"_L1, type);
    w.optional("content"_L1, content);
    w.optional("fileUrl"_L1, fileUrl);
    w.optional("fileName"_L1, fileName);
    w.optional("fileSize"_L1, fileSize);
    w.optional("fileMimeType"_L1, fileMimeType);
    w.optional("status"_L1, status);
    w.optional("createdAt"_L1, createdAt);
    w.optional("serverMsgId"_L1, serverMsgId);
    w.optional("clientMessageId"_L1, clientMessageId);
    w.optional("senderName"_L1, senderName);
    w.optional("senderAvatar"_L1, senderAvatar);
    w.optional("reactions"_L1, reactions);
}
