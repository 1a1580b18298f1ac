#pragma once

// Sees a client end its side of a connection before the socket does. Qt takes the end
// of the stream for the end of the connection and closes its descriptor at once, with
// the answers to what the client asked still unwritten; a client that half-closes
// after its request (as some do) would never get them. Watching the socket's own read
// notifier, this takes that event instead, turns the notifier off and says so; the
// socket goes on writing, and its connection closes it once the answers are out.

#include <QObject>

#include <functional>

class QSocketNotifier;
class QTcpSocket;

class StreamEndWatch : public QObject {
public:
    // A child of the socket; ended() runs once, on the event loop.
    StreamEndWatch(QTcpSocket* socket, std::function<void()> ended);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTcpSocket* m_socket;
    std::function<void()> m_ended;
    bool m_seen = false;
};
