#include "http/HttpConnection.h"

#include "http/AnswerQueue.h"
#include "http/BodyStream.h"
#include "http/HttpFront.h"
#include "http/PendingReply.h"
#include "http/RequestGate.h"
#include "http/StreamEndWatch.h"

#include <QPointer>
#include <QTcpSocket>

#include <cctype>

#include <sys/socket.h>

namespace {

ServerError tooLarge(qint64 limit)
{
    return ServerError::tooLarge(Text::BodyTooLarge, limit);
}

} // namespace

HttpConnection::HttpConnection(QTcpSocket* socket, const RequestGate& gate, HttpFront& front)
    : QObject(socket)
    , m_socket(socket)
    , m_gate(gate)
    , m_front(front)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, m_socket, &QTcpSocket::abort);
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readAvailable);
    // Held to a piece, so that a connection not reading (its body's sink is busy) leaves
    // the rest to the kernel, and the client's sending waits.
    socket->setReadBufferSize(kReadPiece);
    m_endWatch = new StreamEndWatch(socket, [this] {
        m_clientEnded = true;
        readAvailable();
    });
    connect(&AnswerQueue::of(socket), &AnswerQueue::wrote, this, &HttpConnection::answered);
    // Made with this object, so that handing the socket to a WebSocket undoes it.
    connect(socket, &QTcpSocket::disconnected, this, [socket] { socket->deleteLater(); });
    m_timer.start(m_gate.limits().headMs);
}

HttpConnection::~HttpConnection() = default;

void HttpConnection::readAvailable()
{
    while (m_socket->state() == QAbstractSocket::ConnectedState) {
        if (m_stage == Stage::Upgrading || m_stage == Stage::Decoding)
            return;
        if (m_stream && !m_stream->hasRoom()) {
            // The wait is the server's own, not the client's: the deadline starts again
            // with the next piece read.
            m_timer.stop();
            return;
        }
        QByteArray data = std::exchange(m_unread, QByteArray());
        if (data.isEmpty())
            data = m_socket->read(m_stage == Stage::Ending ? kDropChunk : kReadPiece);
        if (data.isEmpty()) {
            if (m_clientEnded)
                clientEnded();
            return;
        }
        if (m_stage == Stage::Ending) {
            m_dropped += data.size();
            if (m_dropped > kMaxDropped)
                m_socket->abort();
            continue;
        }
        qsizetype offset = 0;
        while (offset < data.size() && (m_stage == Stage::Head || m_stage == Stage::Body)) {
            if (m_stage == Stage::Head)
                offset = readHead(data, offset);
            else
                offset = m_request.chunked ? readChunked(data, offset) : readBody(data, offset);
        }
        if (m_stage == Stage::Upgrading) {
            m_afterUpgrade = data.mid(offset);
            AnswerQueue::of(m_socket).whenAllAnswered([this] { upgrade(); });
            return;
        }
        if (m_stage == Stage::Decoding)
            m_unread = data.mid(offset);
        else if (m_stage == Stage::Ending)
            m_dropped += data.size() - offset;
    }
}

qsizetype HttpConnection::readHead(const QByteArray& data, qsizetype offset)
{
    if (m_head.isEmpty())
        m_request = RequestHead();
    const qsizetype before = m_head.size();
    const qsizetype wanted = qMin<qsizetype>(data.size() - offset, RequestGate::kMaxHead + 1 - before);
    m_head.append(data.constData() + offset, wanted);
    const qsizetype end = m_head.indexOf("\r\n\r\n", qMax<qsizetype>(0, before - 3));
    // Lines end with CR LF and nothing else: a bare LF ends a line for some readers
    // and not for others.
    const qsizetype checked = end < 0 ? m_head.size() : end + 4;
    for (qsizetype i = qMax<qsizetype>(before, 0); i < checked; ++i) {
        if (m_head[i] == '\n' && (i == 0 || m_head[i - 1] != '\r')) {
            refuse(ServerError::badRequest(Text::HeadMalformed));
            return data.size();
        }
    }
    const qsizetype lineEnd = m_head.indexOf("\r\n");
    const qsizetype firstSpace = m_head.indexOf(' ');
    const qsizetype urlLength = (lineEnd >= 0 ? m_head.lastIndexOf(' ', lineEnd) : m_head.size()) - firstSpace - 1;
    if (urlLength > RequestGate::kMaxUrl) {
        refuse(ServerError(ServerError::Kind::UriTooLong, Phrase::of(Text::AddressTooLong, RequestGate::kMaxUrl)));
        return data.size();
    }
    if (end < 0 || end + 4 > RequestGate::kMaxHead) {
        if (m_head.size() > RequestGate::kMaxHead) {
            refuse(ServerError(ServerError::Kind::HeadersTooLarge, Phrase::of(Text::HeadTooLarge, RequestGate::kMaxHead)));
            return data.size();
        }
        return offset + wanted;
    }
    const qsizetype headEnd = offset + (end + 4 - before);
    const QByteArray head = m_head.left(end);
    m_head.clear();
    startRequest(head);
    return m_stage == Stage::Ending ? data.size() : headEnd;
}

void HttpConnection::startRequest(const QByteArray& head)
{
    // Empty lines before a request line are passed over, as HTTP allows.
    qsizetype start = 0;
    while (head.mid(start, 2) == "\r\n")
        start += 2;
    if (start >= head.size())
        return;
    m_request = RequestHead::read(head.mid(start));
    if (m_request.refusal) {
        refuse(*m_request.refusal);
        return;
    }
    for (const QByteArray& origin : std::as_const(m_request.origins)) {
        if (!m_gate.acceptsOrigin(origin)) {
            refuse(ServerError::forbidden(Text::OtherOriginRefused));
            return;
        }
    }
    m_limit = m_front.bodyLimit(m_request.path);
    const qint64 length = m_request.contentLength.value_or(0);
    if (length > m_limit) {
        refuse(tooLarge(m_limit));
        return;
    }
    // Only a holder of a valid token may make the server read a large body.
    if (m_limit > HttpFront::kMaxBody && !m_gate.acceptsToken(m_request.bearerToken)) {
        refuse(ServerError::unauthorized());
        return;
    }
    if (m_request.upgrade && m_request.path != u"/ws") {
        // A WebSocket client would wait for ever on an ordinary answer.
        refuse(ServerError::notFound(Text::NotFound));
        return;
    }
    if (m_request.upgrade) {
        // The WebSocket server reads the head again, from the socket.
        m_headBytes = head.mid(start) + "\r\n\r\n";
        m_stage = Stage::Upgrading;
        m_timer.stop();
        return;
    }
    AnswerQueue& answers = AnswerQueue::of(m_socket);
    m_place = answers.reserve(Framing { m_request.headOnly, m_request.closing, m_request.keepAliveAsked });
    m_body = QByteArray();
    m_bodyTaken = 0;
    if (std::shared_ptr<BodySink> sink = m_front.bodySink(m_request.path)) {
        m_stream = std::make_unique<BodyStream>(std::move(sink));
        connect(m_stream.get(), &BodyStream::room, this, &HttpConnection::readAvailable);
        connect(m_stream.get(), &BodyStream::ended, this, [this](const StreamedBody& body) {
            endOfRequest(body);
            readAvailable();
        });
    } else if (!m_request.chunked) {
        // Read once, into room made for all of it: the body is held once, whatever its size.
        m_body.reserve(length);
    }
    m_bodyLeft = length;
    m_chunk = Chunk::Size;
    m_line.clear();
    if (!m_request.chunked && length == 0) {
        bodyRead();
        return;
    }
    if (m_request.expectsContinue)
        answers.interim(m_place, QByteArrayLiteral("HTTP/1.1 100 Continue\r\n\r\n"));
    m_stage = Stage::Body;
    m_bodyClock.start();
    m_timer.start(m_gate.limits().idleMs);
}

qsizetype HttpConnection::readBody(const QByteArray& data, qsizetype offset)
{
    const qsizetype taken = qsizetype(qMin<qint64>(m_bodyLeft, data.size() - offset));
    if (!takeBodyBytes(data.constData() + offset, taken))
        return data.size();
    m_bodyLeft -= taken;
    if (m_bodyLeft == 0)
        bodyRead();
    else
        keepPace();
    return offset + taken;
}

bool HttpConnection::takeBodyBytes(const char* bytes, qsizetype count)
{
    if (m_bodyTaken + count > m_limit) {
        refuse(tooLarge(m_limit));
        return false;
    }
    m_bodyTaken += count;
    if (m_stream)
        m_stream->write(QByteArray(bytes, count));
    else
        m_body.append(bytes, count);
    return true;
}

qsizetype HttpConnection::readChunked(const QByteArray& data, qsizetype offset)
{
    while (offset < data.size() && m_stage == Stage::Body) {
        if (m_chunk == Chunk::Data) {
            const qsizetype taken = qsizetype(qMin<qint64>(m_chunkLeft, data.size() - offset));
            if (!takeBodyBytes(data.constData() + offset, taken))
                return data.size();
            m_chunkLeft -= taken;
            offset += taken;
            if (m_chunkLeft == 0)
                m_chunk = Chunk::DataEnd;
            continue;
        }
        const qsizetype lineEnd = data.indexOf('\n', offset);
        const qsizetype stop = lineEnd < 0 ? data.size() : lineEnd + 1;
        if (m_line.size() + (stop - offset) > kMaxChunkLine) {
            refuse(ServerError::badRequest(Text::ChunkedBodyMalformed));
            return data.size();
        }
        m_line.append(data.constData() + offset, stop - offset);
        offset = stop;
        if (lineEnd < 0)
            break;
        chunkLine(std::exchange(m_line, QByteArray()));
    }
    if (m_stage == Stage::Body)
        keepPace();
    return m_stage == Stage::Ending ? data.size() : offset;
}

void HttpConnection::chunkLine(const QByteArray& ended)
{
    const ServerError malformed = ServerError::badRequest(Text::ChunkedBodyMalformed);
    if (!ended.endsWith("\r\n")) {
        refuse(malformed);
        return;
    }
    const QByteArray line = ended.chopped(2);
    if (m_chunk == Chunk::Size) {
        // Hex digits, then perhaps extensions after ";"; nothing else.
        const qsizetype digits = line.indexOf(';') < 0 ? line.size() : line.indexOf(';');
        bool hex = digits > 0 && digits <= 15;
        for (qsizetype i = 0; hex && i < digits; ++i)
            hex = std::isxdigit(static_cast<unsigned char>(line[i]));
        if (!hex) {
            refuse(malformed);
            return;
        }
        m_chunkLeft = line.left(digits).toLongLong(nullptr, 16);
        m_chunk = m_chunkLeft == 0 ? Chunk::Trailer : Chunk::Data;
    } else if (m_chunk == Chunk::DataEnd) {
        if (!line.isEmpty())
            refuse(malformed);
        else
            m_chunk = Chunk::Size;
    } else if (line.isEmpty()) {
        bodyRead();
    } else {
        // Trailer fields could carry what the head was checked for: refused.
        refuse(malformed);
    }
}

// A trickle is refused once it has had the head's time to get going.
void HttpConnection::keepPace()
{
    const qint64 elapsed = m_bodyClock.elapsed();
    if (elapsed > m_gate.limits().headMs && m_bodyTaken * 1000 < m_gate.limits().minBodyBytesPerSecond * elapsed) {
        m_socket->abort();
        return;
    }
    m_timer.start(m_gate.limits().idleMs);
}

// The whole body is in: a held one goes to the front now, a streamed one once its
// sink has taken all of it. The silence that follows is the server's own (a password
// being checked, a file being written), not the client's.
void HttpConnection::bodyRead()
{
    m_timer.stop();
    if (!m_stream) {
        endOfRequest({});
        return;
    }
    m_stage = Stage::Decoding;
    m_stream->end();
}

void HttpConnection::endOfRequest(StreamedBody streamed)
{
    m_stage = Stage::Head;
    m_timer.stop();
    // It may be what called here.
    if (m_stream)
        m_stream.release()->deleteLater();
    HttpRequest request;
    request.method = m_request.method;
    request.path = m_request.path;
    request.query = m_request.query;
    request.body = std::exchange(m_body, QByteArray());
    request.streamed = std::move(streamed);
    request.bearerToken = m_request.bearerToken;
    request.clientAddress = m_socket->peerAddress().toString();
    request.host = m_request.host;
    request.language = m_request.language;
    const qint64 place = std::exchange(m_place, -1);
    if (m_request.closing || m_clientEnded)
        endAfterAnswers();
    AnswerQueue& answers = AnswerQueue::of(m_socket);
    HttpReply reply = m_front.serve(request);
    if (!reply.pending) {
        answers.answer(place, std::move(reply));
        return;
    }
    reply.pending->whenFinished([queue = QPointer<AnswerQueue>(&answers), place](const HttpReply& done) {
        if (queue)
            queue->answer(place, done);
    });
}

void HttpConnection::upgrade()
{
    disconnect(m_socket, nullptr, this, nullptr);
    disconnect(&AnswerQueue::of(m_socket), nullptr, this, nullptr);
    m_timer.stop();
    m_socket->setReadBufferSize(0);
    delete m_endWatch;
    // Given back to the socket in their order, ahead of what it still holds.
    const QByteArray bytes = m_headBytes + m_afterUpgrade;
    for (qsizetype i = bytes.size(); i-- > 0;)
        m_socket->ungetChar(bytes[i]);
    m_front.upgrade(m_socket);
    deleteLater();
}

void HttpConnection::answered()
{
    if ((m_stage != Stage::Head && m_stage != Stage::Ending) || m_lastWritten)
        return;
    // An answer went out: the next head has its own time from now. While a file is
    // still going out, the client has the idle time to take the next piece.
    const bool sending = m_socket->bytesToWrite() > 0 || AnswerQueue::of(m_socket).sendingFile();
    m_timer.start(sending ? m_gate.limits().idleMs : m_gate.limits().headMs);
}

// Answers (after the answers of the requests before it) and ends the connection.
void HttpConnection::refuse(const ServerError& error)
{
    m_stream.reset();
    m_body = QByteArray();
    const bool procedure = m_request.path.startsWith(QStringLiteral("/api/trpc/"));
    const HttpReply reply = procedure ? HttpReply::procedureError(error, m_request.path.mid(10), m_request.language)
                                      : HttpReply::restError(error, m_request.language);
    AnswerQueue& answers = AnswerQueue::of(m_socket);
    if (m_place < 0)
        m_place = answers.reserve(Framing { m_request.headOnly, true, false });
    // The requests before it have the idle time to be answered.
    m_timer.start(m_gate.limits().idleMs);
    endAfterAnswers();
    answers.answer(std::exchange(m_place, -1), reply, true);
}

// The client sent all it will, and all of it was read: what it asked for in whole is
// answered, then the connection ends; a request it cut short can never be answered.
void HttpConnection::clientEnded()
{
    if (m_stage == Stage::Body || (m_stage == Stage::Head && !m_head.isEmpty()) || m_lastWritten) {
        m_socket->abort();
        return;
    }
    if (m_stage == Stage::Head)
        endAfterAnswers();
}

// Comes once: nothing is read as a request in the Ending stage, and no stage follows it.
void HttpConnection::endAfterAnswers()
{
    m_stage = Stage::Ending;
    AnswerQueue::of(m_socket).whenAllAnswered([this] { closeAfterLast(); });
}

// The last answer and the end of the stream go out together. Closing the socket while
// the client still sends would reset the connection, and a reset can take the unread
// answer with it; so for a moment the rest is read in small pieces and dropped, up to
// a small amount, and then the socket goes whatever is left.
void HttpConnection::closeAfterLast()
{
    const auto endStream = [this] {
        ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
        m_lastWritten = true;
        if (m_clientEnded) {
            m_socket->abort();
            return;
        }
        m_timer.start(kLingerMs);
        readAvailable();
    };
    m_socket->flush();
    if (m_socket->bytesToWrite() == 0) {
        endStream();
    } else {
        connect(m_socket, &QTcpSocket::bytesWritten, this, [this, endStream] {
            if (m_socket->bytesToWrite() == 0) {
                disconnect(m_socket, &QTcpSocket::bytesWritten, this, nullptr);
                endStream();
            }
        });
    }
}
