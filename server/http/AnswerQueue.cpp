#include "http/AnswerQueue.h"

#include <QTcpSocket>

AnswerQueue::AnswerQueue(QTcpSocket* socket)
    : QObject(socket)
    , m_socket(socket)
{
    connect(socket, &QTcpSocket::bytesWritten, this, &AnswerQueue::sendMore);
    connect(socket, &QTcpSocket::bytesWritten, this, &AnswerQueue::wrote);
}

AnswerQueue& AnswerQueue::of(QTcpSocket* socket)
{
    if (auto* queue = socket->findChild<AnswerQueue*>(QString(), Qt::FindDirectChildrenOnly))
        return *queue;
    return *new AnswerQueue(socket);
}

qint64 AnswerQueue::reserve(Framing framing)
{
    m_places.insert(m_reserved, Place { framing, {}, std::nullopt });
    return m_reserved++;
}

void AnswerQueue::answer(qint64 place, HttpReply reply, bool last)
{
    const auto it = m_places.find(place);
    if (it == m_places.end())
        return;
    it->reply = std::move(reply);
    it->framing.closing = it->framing.closing || last;
    flush();
}

void AnswerQueue::interim(qint64 place, QByteArray bytes)
{
    const auto it = m_places.find(place);
    if (it == m_places.end())
        return;
    it->interim = std::move(bytes);
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
    bool wrote = false;
    while (!m_ended && !m_file) {
        const auto it = m_places.find(m_written);
        if (it == m_places.end())
            break;
        if (!it->interim.isEmpty() && connected) {
            m_socket->write(std::exchange(it->interim, QByteArray()));
            wrote = true;
        }
        if (!it->reply)
            break;
        const Place place = m_places.take(m_written++);
        m_ended = place.framing.closing;
        if (!connected)
            continue;
        if (place.reply->bodyFile.isEmpty())
            m_socket->write(place.reply->wire(place.framing));
        else
            startFile(*place.reply, place.framing);
        wrote = true;
    }
    if (m_ended)
        m_places.clear();
    if (wrote)
        Q_EMIT this->wrote();
    if (m_whenAnswered && (allAnswered() || (m_ended && !m_file)))
        std::exchange(m_whenAnswered, nullptr)();
}

void AnswerQueue::startFile(const HttpReply& reply, Framing framing)
{
    auto file = std::make_unique<QFile>(reply.bodyFile);
    // The file was there when the request was answered; a file that went since, or a
    // head that cannot be written, leaves the connection nothing sound to say.
    const std::optional<QByteArray> head = file->open(QIODevice::ReadOnly) ? reply.head(file->size(), framing) : std::nullopt;
    if (!head) {
        qWarning().noquote() << "[Server] A stored file could not be sent:" << file->errorString();
        m_socket->abort();
        return;
    }
    m_socket->write(*head);
    if (framing.headOnly)
        return;
    m_fileLeft = file->size();
    m_file = std::move(file);
    sendMore();
}

void AnswerQueue::sendMore()
{
    while (m_file && m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesToWrite() < kFileAhead) {
        if (m_fileLeft == 0) {
            m_file.reset();
            Q_EMIT wrote();
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
