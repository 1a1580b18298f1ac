#pragma once

// RFC 6455 has every frame a client sends masked, and the server close a connection
// that sends one unmasked (1002); Qt's WebSocket takes unmasked frames as they come.
// This check walks the frame heads of a socket handed to the WebSocket server before
// the WebSocket reads them: it is connected to the socket first, so its handler of
// readyRead runs before the WebSocket's, and a second handler after the WebSocket's
// notes how much the WebSocket took, so each head is looked at once. An unmasked frame
// is dropped unread and the connection closed with 1002.

#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpSocket;
class QWebSocket;

class FrameMaskCheck : public QObject {
public:
    // A child of the socket: it goes with it. Does nothing until follow().
    explicit FrameMaskCheck(QTcpSocket* socket);

    QTcpSocket* socket() const { return m_socket; }
    // The handshake is done and webSocket reads the socket from now on: its frames
    // start at the first byte the socket holds.
    void follow(QWebSocket* webSocket);

private:
    static constexpr int kCloseWaitMs = 2000;

    void beforeTheWebSocket();
    void afterTheWebSocket();
    // Takes one byte of a frame head; false when the frame is not masked.
    bool takeHeadByte(char byte);
    void refuse();

    QTcpSocket* m_socket;
    QPointer<QWebSocket> m_webSocket;
    // Of the bytes the socket holds, how many at its front were looked at already.
    qint64 m_seen = 0;
    // The head of the frame under way so far; then how much of its payload is to come.
    QByteArray m_head;
    quint64 m_payloadLeft = 0;
    bool m_refused = false;
    QTimer m_closeWait;
};
