#pragma once

// The "message_ack" frame, the one a loaded live channel writes most: put together as
// text around its two strings instead of through two QJsonObjects, byte for byte what
// json::serialize() makes of the same frame.

#include <QByteArray>
#include <QString>

struct StoredMessage;

QByteArray ackFrame(const QString& clientMsgId, qint64 conversationId, const StoredMessage& stored);
