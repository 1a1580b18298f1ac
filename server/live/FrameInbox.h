#pragma once

// Frames received on the live channel and not yet handled, per socket. They are
// handled a few per socket in each turn of the event loop, the sockets taking turns,
// so that one client's burst of thousands of frames does not keep every other socket
// waiting for the whole of it (a ping is answered within a turn or two).

#include <QHash>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>

#include <functional>

class QWebSocket;

class FrameInbox : public QObject {
public:
    static constexpr int kFramesPerTurn = 32;

    using Handler = std::function<void(QWebSocket* socket, const QString& text)>;
    explicit FrameInbox(Handler handler, QObject* parent = nullptr);

    void add(QWebSocket* socket, const QString& text);
    // Handles at once what the socket still has waiting (it is closing).
    void flush(QWebSocket* socket);

private:
    void handleSome();
    void startTurn();

    Handler m_handler;
    QHash<QWebSocket*, QQueue<QString>> m_frames;
    // The sockets with frames waiting, in the order they take their turns.
    QList<QWebSocket*> m_waiting;
    bool m_scheduled = false;
    // Frames handled as they arrived in this turn: a lone frame should not wait a turn
    // for nothing, but a burst must still queue after the first slice.
    int m_handledAtOnce = 0;
    bool m_turnStarted = false;
};
