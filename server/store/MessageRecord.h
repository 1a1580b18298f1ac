#pragma once

// One message as the client's record of it is written: read back from its row, or made
// from what the message writer has just stored (so that its delivery needs no reading
// back). Columns a message may lack are null QVariants.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QVariant>

struct MessageRecord {
    qint64 id = 0;
    qint64 conversationId = 0;
    qint64 senderId = 0;
    QString type;
    QVariant content;
    QVariant fileUrl;
    QVariant fileName;
    QVariant fileSize;
    QVariant fileMimeType;
    // As the sender sees it: "sent", "delivered", "read" or "revoked".
    QString status;
    QVariant replyToId;
    QString serverMsgId;
    QVariant clientMsgId;
    QString createdAt;
    QVariant revokedAt;
    bool removedByAdmin = false;
    // What the server itself announced (such as a dissolved group), which each reader's
    // client words in its own language; null for what people sent.
    QVariant notice;
    QString senderName;
    QVariant senderAvatar;

    QJsonObject toJson(const QJsonArray& reactions) const;
    // The same, written as JSON text (see JsonText).
    QByteArray toJsonText(const QJsonArray& reactions) const;

private:
    // Writes the members into a JsonObjectOut or a JsonTextObjectOut.
    template <typename Out>
    void write(Out& m, const QJsonArray& reactions) const;
};
