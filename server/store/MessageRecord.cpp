#include "store/MessageRecord.h"

#include "JsonText.h"

template <typename Out>
void MessageRecord::write(Out& m, const QJsonArray& reactions) const
{
    m.insert(QLatin1StringView("id"), id);
    m.insert(QLatin1StringView("conversationId"), conversationId);
    m.insert(QLatin1StringView("senderId"), senderId);
    m.insert(QLatin1StringView("type"), type);
    const bool revoked = !revokedAt.isNull();
    if (revoked) {
        // A revoked message keeps its place in the history but no longer shows what it said.
        m.insert(QLatin1StringView("status"), QStringLiteral("revoked"));
        m.insert(QLatin1StringView("revokedAt"), revokedAt.toString());
        // An administrator's deletion is not the sender taking the message back.
        if (removedByAdmin)
            m.insert(QLatin1StringView("removedByAdmin"), true);
    } else {
        m.insertText(QLatin1StringView("content"), content);
        m.insertText(QLatin1StringView("fileUrl"), fileUrl);
        m.insertText(QLatin1StringView("fileName"), fileName);
        m.insertInteger(QLatin1StringView("fileSize"), fileSize);
        m.insertText(QLatin1StringView("fileMimeType"), fileMimeType);
        m.insert(QLatin1StringView("status"), status);
    }
    // What the server itself announced (a dissolved group): each reader's client words it
    // in its own language; the content is the announcing administrator's.
    m.insertText(QLatin1StringView("notice"), notice);
    m.insertInteger(QLatin1StringView("threadRootId"), replyToId);
    m.insert(QLatin1StringView("serverMsgId"), serverMsgId);
    m.insertText(QLatin1StringView("clientMessageId"), clientMsgId);
    m.insert(QLatin1StringView("createdAt"), createdAt);
    m.insertObject(QLatin1StringView("sender"), [this](auto& sender) {
        sender.insert(QLatin1StringView("id"), senderId);
        sender.insert(QLatin1StringView("name"), senderName);
        sender.insertText(QLatin1StringView("avatar"), senderAvatar);
    });
    m.insert(QLatin1StringView("senderName"), senderName);
    m.insertText(QLatin1StringView("senderAvatar"), senderAvatar);
    m.insert(QLatin1StringView("reactions"), revoked ? QJsonArray() : reactions);
}

QJsonObject MessageRecord::toJson(const QJsonArray& reactions) const
{
    QJsonObject object;
    JsonObjectOut out(object);
    write(out, reactions);
    return object;
}

QByteArray MessageRecord::toJsonText(const QJsonArray& reactions) const
{
    JsonText text;
    text.beginObject();
    JsonTextObjectOut out(text);
    write(out, reactions);
    text.endObject();
    return text.take();
}
