#include "http/AnswerQueue.h"

#include <QTcpSocket>

AnswerQueue::AnswerQueue(QTcpSocket* socket)
    : QObject(socket)
    , m_socket(socket)
{
    connect(socket, &QTcpSocket::bytesWritten, this, &AnswerQueue::sendMore);
}

AnswerQueue& AnswerQueue::of(QTcpSocket* socket)
{
    if (auto* queue = socket->findChild<AnswerQueue*>(QString(), Qt::FindDirectChildrenOnly))
        return *queue;
    return *new AnswerQueue(socket);
}

void AnswerQueue::answer(qint64 place, HttpReply reply)
{
    m_early.insert(place, std::move(reply));
    flush();
}

void AnswerQueue::endAfterAll(QByteArray last, std::function<void()> written)
{
    m_ending = Ending { std::move(last), std::move(written) };
    flush();
}

void AnswerQueue::whenAllAnswered(std::function<void()> done)
{
    m_whenAnswered = std::move(done);
    flush();
}

void AnswerQueue::flush()
{
    const bool connected = m_socket->state() == QAbstractSocket::ConnectedState;
    while (!m_ended && !m_file && m_early.contains(m_written)) {
        const HttpReply reply = m_early.take(m_written++);
        if (!connected)
            continue;
        if (reply.bodyFile.isEmpty())
            m_socket->write(reply.wire());
        else
            startFile(reply);
    }
    if (m_ended || !allAnswered())
        return;
    if (m_whenAnswered)
        std::exchange(m_whenAnswered, nullptr)();
    if (!m_ending)
        return;
    m_ended = true;
    m_early.clear();
    const Ending ending = *std::exchange(m_ending, std::nullopt);
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->write(ending.last);
    ending.written();
}

void AnswerQueue::startFile(const HttpReply& reply)
{
    auto file = std::make_unique<QFile>(reply.bodyFile);
    // The file was there when the request was answered; a file that went since, or a
    // head that cannot be written, leaves the connection nothing sound to say.
    const std::optional<QByteArray> head = file->open(QIODevice::ReadOnly) ? reply.head(file->size()) : std::nullopt;
    if (!head) {
        qWarning().noquote() << "[Server] A stored file could not be sent:" << file->errorString();
        m_socket->abort();
        return;
    }
    m_socket->write(*head);
    m_fileLeft = file->size();
    m_file = std::move(file);
    sendMore();
}

void AnswerQueue::sendMore()
{
    while (m_file && m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesToWrite() < kFileAhead) {
        if (m_fileLeft == 0) {
            m_file.reset();
            flush();
            return;
        }
        const QByteArray piece = m_file->read(qMin(kFilePiece, m_fileLeft));
        if (piece.isEmpty()) {
            // Shorter than its head said: the client must not take what came for the whole.
            qWarning().noquote() << "[Server] A stored file ended early:" << m_file->errorString();
            m_socket->abort();
            return;
        }
        m_socket->write(piece);
        m_fileLeft -= piece.size();
    }
}
