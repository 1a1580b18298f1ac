#include "http/AnswerQueue.h"

#include <QTcpSocket>

AnswerQueue::AnswerQueue(QTcpSocket* socket)
    : QObject(socket)
    , m_socket(socket)
{
}

AnswerQueue& AnswerQueue::of(QTcpSocket* socket)
{
    if (auto* queue = socket->findChild<AnswerQueue*>(QString(), Qt::FindDirectChildrenOnly))
        return *queue;
    return *new AnswerQueue(socket);
}

void AnswerQueue::answer(qint64 place, QByteArray wire)
{
    m_early.insert(place, std::move(wire));
    flush();
}

void AnswerQueue::endAfter(qint64 answers, QByteArray last, std::function<void()> written)
{
    m_ending = Ending { answers, std::move(last), std::move(written) };
    flush();
}

void AnswerQueue::flush()
{
    while (!m_ended && m_early.contains(m_written)) {
        const QByteArray wire = m_early.take(m_written++);
        if (m_socket->state() == QAbstractSocket::ConnectedState)
            m_socket->write(wire);
    }
    if (m_ended || !m_ending || m_written < m_ending->after)
        return;
    m_ended = true;
    m_early.clear();
    const Ending ending = *std::exchange(m_ending, std::nullopt);
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->write(ending.last);
    ending.written();
}
