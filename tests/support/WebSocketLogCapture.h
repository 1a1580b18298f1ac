#pragma once

// Collects the channel's "[WS] " log lines while it exists, passing every
// message on to the handler that was installed before it.

#include <QStringList>
#include <QtGlobal>

class WebSocketLogCapture {
public:
    WebSocketLogCapture();
    ~WebSocketLogCapture();
    WebSocketLogCapture(const WebSocketLogCapture&) = delete;
    WebSocketLogCapture& operator=(const WebSocketLogCapture&) = delete;

    QStringList lines() const { return m_lines; }
    QStringList linesStartingWith(const QString& prefix) const;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};
