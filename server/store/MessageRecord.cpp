#include "store/MessageRecord.h"

#include "store/RowJson.h"

QJsonObject MessageRecord::toJson(const QJsonArray& reactions) const
{
    QJsonObject m;
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
        rowjson::putText(m, QLatin1StringView("content"), content);
        rowjson::putText(m, QLatin1StringView("fileUrl"), fileUrl);
        rowjson::putText(m, QLatin1StringView("fileName"), fileName);
        rowjson::putInteger(m, QLatin1StringView("fileSize"), fileSize);
        rowjson::putText(m, QLatin1StringView("fileMimeType"), fileMimeType);
        m.insert(QLatin1StringView("status"), status);
    }
    // What the server itself announced (a dissolved group): each reader's client words it
    // in its own language; the content is the announcing administrator's.
    rowjson::putText(m, QLatin1StringView("notice"), notice);
    rowjson::putInteger(m, QLatin1StringView("threadRootId"), replyToId);
    m.insert(QLatin1StringView("serverMsgId"), serverMsgId);
    rowjson::putText(m, QLatin1StringView("clientMessageId"), clientMsgId);
    m.insert(QLatin1StringView("createdAt"), createdAt);
    QJsonObject sender;
    sender.insert(QLatin1StringView("id"), senderId);
    sender.insert(QLatin1StringView("name"), senderName);
    rowjson::putText(sender, QLatin1StringView("avatar"), senderAvatar);
    m.insert(QLatin1StringView("sender"), sender);
    m.insert(QLatin1StringView("senderName"), senderName);
    rowjson::putText(m, QLatin1StringView("senderAvatar"), senderAvatar);
    m.insert(QLatin1StringView("reactions"), revoked ? QJsonArray() : reactions);
    return m;
}
