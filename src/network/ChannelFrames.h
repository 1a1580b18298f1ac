#pragma once

// The JSON text frames the live channel writes, and what its log says of them.

#include <QJsonObject>
#include <QString>

class QWebSocket;

namespace channelframe {

QJsonObject make(const QString& type, const QJsonObject& payload);
// Compact JSON, as it goes on the wire.
QString text(const QJsonObject& frame);
// Its type, the ids it names and its size: never a message's text, a token or
// anything else a person wrote, and so the only way a frame is logged.
QString summary(const QJsonObject& frame, const QString& text);
// Writes the frame on the socket; a send that fails is logged.
void write(QWebSocket* socket, const QString& text);

} // namespace channelframe
