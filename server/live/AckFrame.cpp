#include "live/AckFrame.h"

#include "store/Messages.h"

#include "models/Json.h"

#include <QJsonValue>

#include <algorithm>
#include <charconv>

namespace {

// A JSON string as json::serialize writes it. Ids are nearly always printable ASCII with
// nothing to escape, written here at once; anything else goes the long way round.
void appendString(QByteArray& frame, const QString& text)
{
    const bool plain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7f && c != u'"' && c != u'\\';
    });
    if (!plain) {
        frame += json::serialize(QJsonValue(text));
        return;
    }
    frame += '"';
    for (const QChar c : text)
        frame += char(c.unicode());
    frame += '"';
}

void appendNumber(QByteArray& frame, qint64 number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    frame.append(digits, end - digits);
}

} // namespace

QByteArray ackFrame(const QString& clientMsgId, qint64 conversationId, const StoredMessage& stored)
{
    // Keys in the order QJsonObject keeps them (sorted), so the text is the same either way.
    QByteArray frame;
    frame.reserve(160 + clientMsgId.size() * 3);
    frame += R"({"payload":{"clientMsgId":)";
    appendString(frame, clientMsgId);
    frame += R"(,"conversationId":)";
    appendNumber(frame, conversationId);
    frame += R"(,"isDuplicate":)";
    frame += stored.duplicate ? "true" : "false";
    frame += R"(,"messageId":)";
    appendNumber(frame, stored.messageId);
    frame += R"(,"serverMsgId":)";
    appendString(frame, stored.serverMsgId);
    frame += R"(},"type":"message_ack"})";
    return frame;
}
