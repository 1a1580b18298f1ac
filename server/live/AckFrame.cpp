#include "live/AckFrame.h"

#include "store/Messages.h"

#include "models/Json.h"

#include <QJsonValue>

#include <algorithm>

namespace {

// A JSON string as json::serialize writes it. Ids are nearly always printable ASCII with
// nothing to escape, written here at once; anything else goes the long way round.
QByteArray jsonString(const QString& text)
{
    const bool plain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7f && c != u'"' && c != u'\\';
    });
    if (!plain)
        return json::serialize(QJsonValue(text));
    QByteArray quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text.toLatin1();
    quoted += '"';
    return quoted;
}

} // namespace

QByteArray ackFrame(const QString& clientMsgId, qint64 conversationId, const StoredMessage& stored)
{
    // Keys in the order QJsonObject keeps them (sorted), so the text is the same either way.
    QByteArray frame;
    frame.reserve(160 + clientMsgId.size() * 3);
    frame += R"({"payload":{"clientMsgId":)";
    frame += jsonString(clientMsgId);
    frame += R"(,"conversationId":)";
    frame += QByteArray::number(conversationId);
    frame += R"(,"isDuplicate":)";
    frame += stored.duplicate ? "true" : "false";
    frame += R"(,"messageId":)";
    frame += QByteArray::number(stored.messageId);
    frame += R"(,"serverMsgId":)";
    frame += jsonString(stored.serverMsgId);
    frame += R"(},"type":"message_ack"})";
    return frame;
}
