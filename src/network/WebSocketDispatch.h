#pragma once

// Turns each text frame the channel receives into its events: the frame is read
// twice, as the typed record and as a plain JSON object, and its type picks one row
// of a fixed table. Each row publishes on one of the channel's event streams or
// changes the connection's own state (accepted, a pong, the users online).

#include "models/WSMessage.h"

#include <QJsonObject>
#include <QString>

#include <optional>

class WebSocketService;

class WebSocketDispatch {
public:
    explicit WebSocketDispatch(WebSocketService& channel);

    // fromCurrent: the frame came from the current socket, not from one handing over to it.
    void handle(const QString& text, bool fromCurrent);

private:
    void process(const QString& type, const std::optional<WSMessage>& message, const std::optional<QJsonObject>& rawPayload,
                 bool fromCurrent);

    WebSocketService& m_channel;
};
