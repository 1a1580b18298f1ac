#include "live/FrameInbox.h"

FrameInbox::FrameInbox(Handler handler, QObject* parent)
    : QObject(parent)
    , m_handler(std::move(handler))
{
}

void FrameInbox::add(QWebSocket* socket, const QString& text)
{
    if (m_handledAtOnce < kFramesPerTurn && !m_frames.contains(socket)) {
        startTurn();
        ++m_handledAtOnce;
        m_handler(socket, text);
        return;
    }
    QQueue<QString>& frames = m_frames[socket];
    if (frames.isEmpty())
        m_waiting.append(socket);
    frames.enqueue(text);
    if (!m_scheduled) {
        m_scheduled = true;
        QMetaObject::invokeMethod(this, &FrameInbox::handleSome, Qt::QueuedConnection);
    }
}

void FrameInbox::flush(QWebSocket* socket)
{
    while (true) {
        const auto it = m_frames.find(socket);
        if (it == m_frames.end() || it->isEmpty())
            break;
        m_handler(socket, it->dequeue());
    }
    m_frames.remove(socket);
    m_waiting.removeAll(socket);
}

void FrameInbox::handleSome()
{
    m_scheduled = false;
    const QList<QWebSocket*> turn = std::exchange(m_waiting, {});
    for (QWebSocket* socket : turn) {
        for (int i = 0; i < kFramesPerTurn; ++i) {
            // A handler may have closed this socket (and flushed it) meanwhile.
            const auto it = m_frames.find(socket);
            if (it == m_frames.end() || it->isEmpty())
                break;
            m_handler(socket, it->dequeue());
        }
    }
    // What arrived meanwhile was appended to m_waiting; the rest of this turn's
    // sockets go after it.
    for (QWebSocket* socket : turn) {
        const auto it = m_frames.find(socket);
        if (it == m_frames.end())
            continue;
        if (it->isEmpty()) {
            m_frames.erase(it);
            m_waiting.removeAll(socket);
        } else if (!m_waiting.contains(socket)) {
            m_waiting.append(socket);
        }
    }
    if (!m_waiting.isEmpty() && !m_scheduled) {
        m_scheduled = true;
        QMetaObject::invokeMethod(this, &FrameInbox::handleSome, Qt::QueuedConnection);
    }
}

void FrameInbox::startTurn()
{
    if (m_turnStarted)
        return;
    m_turnStarted = true;
    QMetaObject::invokeMethod(
        this, [this] {
            m_turnStarted = false;
            m_handledAtOnce = 0;
        },
        Qt::QueuedConnection);
}
