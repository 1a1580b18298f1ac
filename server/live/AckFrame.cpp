#include "live/AckFrame.h"

#include "store/Messages.h"

#include "models/Json.h"

#include <QJsonValue>

QByteArray ackFrame(const QString& clientMsgId, qint64 conversationId, const StoredMessage& stored)
{
    // Keys in the order QJsonObject keeps them (sorted), so the text is the same either way.
    QByteArray frame;
    frame.reserve(160 + clientMsgId.size() * 3);
    frame += R"({"payload":{"clientMsgId":)";
    frame += json::serialize(QJsonValue(clientMsgId));
    frame += R"(,"conversationId":)";
    frame += QByteArray::number(conversationId);
    frame += R"(,"isDuplicate":)";
    frame += stored.duplicate ? "true" : "false";
    frame += R"(,"messageId":)";
    frame += QByteArray::number(stored.messageId);
    frame += R"(,"serverMsgId":)";
    frame += json::serialize(QJsonValue(stored.serverMsgId));
    frame += R"(},"type":"message_ack"})";
    return frame;
}
