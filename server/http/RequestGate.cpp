#include "http/RequestGate.h"

#include "http/AnswerQueue.h"
#include "http/HttpFront.h"
#include "http/HttpReply.h"
#include "http/ServerError.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpSocket>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <optional>

#include <sys/socket.h>

namespace {

Language languageOfHead(const QList<QByteArray>& lines)
{
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare("accept-language", Qt::CaseInsensitive) == 0)
            return languageFromHeader(line.mid(colon + 1).trimmed());
    }
    return Language::English;
}

ServerError tooLarge(qint64 limit)
{
    return ServerError::tooLarge(Text::BodyTooLarge, limit);
}

// Watches one connection until it upgrades to a WebSocket or closes. Its handler of
// readyRead runs before the HTTP parser's and sees every byte before the parser does.
// The parser takes one request at a time and hands itself the rest again in a later
// turn; a second handler after the parser's notes how much of what was seen it left,
// so each byte is looked at once and every request, pipelined ones too, meets the
// same checks.
class GatedConnection : public QObject {
public:
    GatedConnection(QTcpSocket* socket, const RequestGate& gate)
        : QObject(socket)
        , m_socket(socket)
        , m_gate(gate)
    {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, m_socket, &QTcpSocket::abort);
        connect(socket, &QTcpSocket::readyRead, this, &GatedConnection::inspect);
        connect(socket, &QTcpSocket::bytesWritten, this, &GatedConnection::answered);
        // The HTTP server connects its reader as the gate announces the connection.
        connect(&gate, &QTcpServer::newConnection, this, [this] {
            connect(m_socket, &QTcpSocket::readyRead, this, &GatedConnection::parserDone);
        }, Qt::SingleShotConnection);
        m_timer.start(m_gate.limits().headMs);
    }

private:
    // Refused: its answer waits for those of the requests before it, nothing more is
    // looked at or passed on. Finished: upgraded to a WebSocket.
    enum class Stage { Head, Body, Refused, Finished };
    // The parts of a chunked body: a size line, that many bytes, their line end; after
    // the last (empty) chunk, the empty line that ends the request.
    enum class Chunk { Size, Data, DataEnd, Trailer };
    // After a refusal: how long and how much of the rest is read and dropped.
    static constexpr int kRefusedLingerMs = 2000;
    static constexpr qint64 kMaxDropped = 4 << 20;
    static constexpr qint64 kDropChunk = 64 << 10;
    static constexpr qsizetype kMaxChunkLine = 1024;

    void inspect()
    {
        const qint64 available = m_socket->bytesAvailable();
        m_bufferStart = m_position - m_seen;
        m_peeked = QByteArray();
        m_available = available;
        if (m_stage == Stage::Refused) {
            keepOnly(m_seen);
            return;
        }
        qint64 offset = m_seen;
        while (offset < available && m_socket->state() == QAbstractSocket::ConnectedState) {
            if (m_stage == Stage::Head)
                offset = readHead(offset, available);
            else if (m_stage == Stage::Body)
                offset = m_chunked ? readChunked(offset, available) : readBody(offset, available);
            else
                break;
        }
        if (m_stage != Stage::Refused) {
            m_seen = available;
            m_position = m_bufferStart + available;
        }
    }

    void parserDone()
    {
        m_seen = m_socket->bytesAvailable();
    }

    // What the socket holds from the first byte not yet taken by the parser (peeked once).
    const QByteArray& bytes()
    {
        if (m_peeked.isNull())
            m_peeked = m_socket->peek(m_available);
        return m_peeked;
    }

    // Takes head bytes from offset on; returns where the head's part of them ends.
    qint64 readHead(qint64 offset, qint64 available)
    {
        if (m_head.isEmpty())
            m_requestStart = m_bufferStart + offset;
        const qsizetype before = m_head.size();
        const qint64 wanted = qMin<qint64>(available - offset, RequestGate::kMaxHead + 1 - before);
        m_head += bytes().mid(offset, wanted);
        const qsizetype lineEnd = m_head.indexOf("\r\n");
        const qsizetype firstSpace = m_head.indexOf(' ');
        const qsizetype urlLength = (lineEnd >= 0 ? m_head.lastIndexOf(' ', lineEnd) : m_head.size()) - firstSpace - 1;
        if (urlLength > RequestGate::kMaxUrl) {
            refuse(ServerError(ServerError::Kind::UriTooLong, Phrase::of(Text::AddressTooLong, RequestGate::kMaxUrl)));
            return available;
        }
        const qsizetype end = m_head.indexOf("\r\n\r\n");
        if (end < 0 || end + 4 > RequestGate::kMaxHead) {
            if (m_head.size() > RequestGate::kMaxHead)
                refuse(ServerError(ServerError::Kind::HeadersTooLarge, Phrase::of(Text::HeadTooLarge, RequestGate::kMaxHead)));
            return offset + wanted;
        }
        const qint64 headEnd = offset + (end + 4 - before);
        const QByteArray head = m_head.left(end);
        m_head.clear();
        startRequest(head);
        return m_stage == Stage::Refused ? available : headEnd;
    }

    qint64 readBody(qint64 offset, qint64 available)
    {
        const qint64 taken = qMin(m_bodyLeft, available - offset);
        m_bodyRead += taken;
        m_bodyLeft -= taken;
        if (m_bodyRead > m_limit) {
            refuse(tooLarge(m_limit));
            return available;
        }
        if (m_bodyLeft == 0) {
            endOfRequest();
            return offset + taken;
        }
        keepPace();
        return offset + taken;
    }

    qint64 readChunked(qint64 offset, qint64 available)
    {
        const ServerError malformed = ServerError::badRequest(Text::ChunkedBodyMalformed);
        while (offset < available) {
            if (m_chunk == Chunk::Data) {
                const qint64 taken = qMin(m_chunkLeft, available - offset);
                m_chunkLeft -= taken;
                m_bodyRead += taken;
                offset += taken;
                if (m_bodyRead > m_limit) {
                    refuse(tooLarge(m_limit));
                    return available;
                }
                if (m_chunkLeft == 0)
                    m_chunk = Chunk::DataEnd;
                continue;
            }
            const qsizetype lineEnd = bytes().indexOf('\n', offset);
            const qint64 stop = lineEnd < 0 ? available : lineEnd + 1;
            if (m_line.size() + (stop - offset) > kMaxChunkLine) {
                refuse(malformed);
                return available;
            }
            m_line += bytes().mid(offset, stop - offset);
            offset = stop;
            if (lineEnd < 0)
                break;
            if (!m_line.endsWith("\r\n")) {
                refuse(malformed);
                return available;
            }
            const QByteArray line = m_line.chopped(2);
            m_line.clear();
            if (m_chunk == Chunk::Size) {
                // Hex digits, then perhaps extensions after ";"; nothing else, so that the
                // parser cannot read another size from it.
                const qsizetype digits = line.indexOf(';') < 0 ? line.size() : line.indexOf(';');
                bool hex = digits > 0 && digits <= 15;
                for (qsizetype i = 0; hex && i < digits; ++i)
                    hex = std::isxdigit(static_cast<unsigned char>(line[i]));
                if (!hex) {
                    refuse(malformed);
                    return available;
                }
                m_chunkLeft = line.left(digits).toLongLong(nullptr, 16);
                m_chunk = m_chunkLeft == 0 ? Chunk::Trailer : Chunk::Data;
            } else if (m_chunk == Chunk::DataEnd) {
                if (!line.isEmpty()) {
                    refuse(malformed);
                    return available;
                }
                m_chunk = Chunk::Size;
            } else if (line.isEmpty()) {
                endOfRequest();
                return offset;
            } else {
                // The HTTP parser stops at trailer fields without a word: refused here.
                refuse(malformed);
                return available;
            }
        }
        keepPace();
        return offset;
    }

    // A trickle is refused once it has had the head's time to get going.
    void keepPace()
    {
        const qint64 elapsed = m_bodyClock.elapsed();
        if (elapsed > m_gate.limits().headMs && m_bodyRead * 1000 < m_gate.limits().minBodyBytesPerSecond * elapsed) {
            m_socket->abort();
            return;
        }
        m_timer.start(m_gate.limits().idleMs);
    }

    void startRequest(const QByteArray& head)
    {
        const QList<QByteArray> lines = head.split('\n');
        m_path = QUrl(QString::fromLatin1(lines.value(0).trimmed().split(' ').value(1))).path();
        m_limit = HttpFront::bodyLimit(m_path);
        m_language = languageOfHead(lines);
        std::optional<QByteArray> declared;
        bool chunked = false;
        bool ambiguous = false;
        bool upgrade = false;
        QString bearer;
        for (const QByteArray& line : lines.sliced(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).toLower();
            // A folded line or a name with spaces is read one way here and perhaps
            // another by the parser.
            if (colon <= 0 || std::any_of(name.cbegin(), name.cend(), [](char c) { return c == ' ' || c == '\t'; })) {
                refuse(ServerError::badRequest(Text::BodyLengthAmbiguous));
                return;
            }
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "origin" && !m_gate.acceptsOrigin(value)) {
                refuse(ServerError::forbidden(Text::OtherOriginRefused));
                return;
            }
            if (name == "content-length") {
                // One length, in digits; a second that differs would leave two readings.
                ambiguous = ambiguous || value.isEmpty() || value.size() > 18 || (declared && *declared != value)
                    || std::any_of(value.cbegin(), value.cend(), [](char c) { return c < '0' || c > '9'; });
                declared = value;
            } else if (name == "transfer-encoding") {
                ambiguous = ambiguous || chunked || value.compare("chunked", Qt::CaseInsensitive) != 0;
                chunked = true;
            } else if (name == "upgrade") {
                upgrade = value.compare("websocket", Qt::CaseInsensitive) == 0;
            } else if (name == "authorization" && value.left(7).compare("bearer ", Qt::CaseInsensitive) == 0) {
                bearer = QString::fromLatin1(value.mid(7).trimmed());
            }
        }
        if (ambiguous || (declared && chunked)) {
            refuse(ServerError::badRequest(Text::BodyLengthAmbiguous));
            return;
        }
        const qint64 length = declared ? declared->toLongLong() : 0;
        if (length > m_limit) {
            refuse(tooLarge(m_limit));
            return;
        }
        // Only a holder of a valid token may make the server read a large body.
        if (m_limit > HttpFront::kMaxBody && !m_gate.acceptsToken(bearer)) {
            refuse(ServerError::unauthorized());
            return;
        }
        if (upgrade && m_path == u"/ws") {
            // The WebSocket has time-outs of its own; this object's work is done.
            m_stage = Stage::Finished;
            m_timer.stop();
            disconnect(m_socket, nullptr, this, nullptr);
            deleteLater();
            return;
        }
        m_chunked = chunked;
        m_chunk = Chunk::Size;
        m_line.clear();
        m_bodyLeft = length;
        m_bodyRead = 0;
        if (!chunked && length == 0) {
            endOfRequest();
            return;
        }
        m_stage = Stage::Body;
        m_bodyClock.start();
        m_timer.start(m_gate.limits().idleMs);
    }

    void endOfRequest()
    {
        // The whole request is here: the silence that follows is the server's own
        // (a password being checked, a file being written), not the client's.
        ++m_completed;
        m_stage = Stage::Head;
        m_timer.stop();
    }

    void answered()
    {
        // An answer went out: the next head has its own time from now.
        if (m_stage == Stage::Head)
            m_timer.start(m_gate.limits().headMs);
    }

    // Leaves in the socket, for the parser, only the first `count` bytes it has not
    // taken yet; the rest is dropped. Bytes the parser has taken inside a transaction
    // of its own stay as they were, taken.
    void keepOnly(qint64 count)
    {
        const bool inTransaction = m_socket->isTransactionStarted();
        qint64 taken = 0;
        if (inTransaction) {
            const qint64 untaken = m_socket->bytesAvailable();
            m_socket->rollbackTransaction();
            taken = m_socket->bytesAvailable() - untaken;
        }
        const QByteArray kept = m_socket->read(taken + qMax<qint64>(count, 0));
        m_dropped += m_socket->skip(m_socket->bytesAvailable());
        for (qsizetype i = kept.size(); i-- > 0;)
            m_socket->ungetChar(kept[i]);
        if (inTransaction) {
            m_socket->startTransaction();
            m_socket->skip(taken);
        }
        m_seen = qMax<qint64>(count, 0);
        if (m_dropped > kMaxDropped)
            m_socket->abort();
    }

    // Answers (after the answers of the requests before it) and ends the connection:
    // the parser is given only the requests before this one.
    void refuse(const ServerError& error)
    {
        m_stage = Stage::Refused;
        disconnect(m_socket, &QTcpSocket::bytesWritten, this, nullptr);
        m_socket->setReadBufferSize(kDropChunk);
        const bool procedure = m_path.startsWith(QStringLiteral("/api/trpc/"));
        const HttpReply reply = procedure ? HttpReply::procedureError(error, m_path.mid(10), m_language)
                                          : HttpReply::restError(error, m_language);
        keepOnly(m_requestStart - m_bufferStart);
        // The requests before it have the idle time to be answered.
        m_timer.start(m_gate.limits().idleMs);
        AnswerQueue::of(m_socket).endAfter(m_completed, reply.wire(true), [this] { closeAfterRefusal(); });
    }

    // The answer and the end of the stream go out together. Closing the socket while
    // the client still sends would reset the connection, and a reset can take the
    // unread answer with it; so for a moment the rest is read in small pieces and
    // dropped, up to a small amount, and then the socket goes whatever is left.
    void closeAfterRefusal()
    {
        m_socket->flush();
        ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
        disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
        m_dropped += m_socket->skip(m_socket->bytesAvailable());
        connect(m_socket, &QTcpSocket::readyRead, this, [this] {
            m_dropped += m_socket->skip(m_socket->bytesAvailable());
            if (m_dropped > kMaxDropped)
                m_socket->abort();
        });
        m_timer.start(kRefusedLingerMs);
    }

    QTcpSocket* m_socket;
    const RequestGate& m_gate;
    QTimer m_timer;
    Stage m_stage = Stage::Head;
    // Of the bytes in the socket, how many at its front this object has already seen;
    // stream positions of the end of what it has seen, of the socket's first byte when
    // it last looked, and of the current request's first byte.
    qint64 m_seen = 0;
    qint64 m_position = 0;
    qint64 m_bufferStart = 0;
    qint64 m_requestStart = 0;
    QByteArray m_peeked;
    qint64 m_available = 0;
    // Requests let through whole.
    qint64 m_completed = 0;
    // The current request: its head so far (up to one byte past the limit), its path
    // and body limit, and of its body what is still to come and what came.
    QByteArray m_head;
    QString m_path;
    // English until the head is read: a head refused before that has no header to go by.
    Language m_language = Language::English;
    qint64 m_limit = HttpFront::kMaxBody;
    qint64 m_bodyLeft = 0;
    qint64 m_bodyRead = 0;
    bool m_chunked = false;
    Chunk m_chunk = Chunk::Size;
    qint64 m_chunkLeft = 0;
    // The current line of a chunked body.
    QByteArray m_line;
    QElapsedTimer m_bodyClock;
    qint64 m_dropped = 0;
};

// Holds a connection's place in the counts for as long as its socket lives: a child of
// the socket, so it goes with it. (The HTTP server cuts every connection to a socket's
// signals when it hands the socket to a WebSocket, destroyed() included.)
class ConnectionPlace : public QObject {
public:
    ConnectionPlace(QTcpSocket* socket, std::function<void()> release)
        : QObject(socket)
        , m_release(std::move(release))
    {
    }
    ~ConnectionPlace() override { m_release(); }

private:
    std::function<void()> m_release;
};

QByteArray origin(const QString& host, quint16 port)
{
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("http://%1:%2").arg(shown).arg(port).toLatin1().toLower();
}

constexpr int kAcceptsPerTurn = 32;
constexpr int kFirstBackOffMs = 20;
constexpr int kLongestBackOffMs = 1000;

} // namespace

RequestGate::RequestGate(Limits limits, TokenCheck tokenCheck, QObject* parent)
    : QTcpServer(parent)
    , m_limits(limits)
    , m_tokenCheck(std::move(tokenCheck))
{
    m_resume.setSingleShot(true);
    connect(&m_resume, &QTimer::timeout, this, [this] {
        if (m_acceptable)
            m_acceptable->setEnabled(true);
    });
}

bool RequestGate::listenOn(const QHostAddress& address, quint16 port, const QString& hostName)
{
    if (!listen(address, port))
        return false;
    pauseAccepting();
    m_acceptable = new QSocketNotifier(socketDescriptor(), QSocketNotifier::Read, this);
    connect(m_acceptable, &QSocketNotifier::activated, this, &RequestGate::acceptQueued);
    for (const QString& host : { hostName, QStringLiteral("127.0.0.1"), QStringLiteral("localhost") })
        m_origins.insert(origin(host, serverPort()));
    return true;
}

bool RequestGate::acceptsOrigin(const QByteArray& value) const
{
    return m_origins.contains(value.trimmed().toLower());
}

void RequestGate::acceptQueued()
{
    if (!isListening()) {
        m_acceptable->setEnabled(false);
        return;
    }
    // A few at a time, so that a crowd of new connections does not hold up the others.
    for (int i = 0; i < kAcceptsPerTurn; ++i) {
        const int descriptor = ::accept4(int(socketDescriptor()), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (descriptor >= 0) {
            incomingConnection(descriptor);
            Q_EMIT newConnection();
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            backOff();
        return;
    }
}

QTcpSocket* RequestGate::nextPendingConnection()
{
    QTcpSocket* socket = QTcpServer::nextPendingConnection();
    pauseAccepting();
    return socket;
}

void RequestGate::backOff()
{
    m_acceptable->setEnabled(false);
    m_backOffMs = qBound(kFirstBackOffMs, m_backOffMs * 2, kLongestBackOffMs);
    qWarning().noquote() << "[Server] Cannot accept connections:" << qt_error_string(errno) << "- trying again in" << m_backOffMs << "ms";
    m_resume.start(m_backOffMs);
}

// Closing deletes the connections accepted but not yet taken: here, while the counts
// they give their place back to still exist (the base class would do it after).
RequestGate::~RequestGate()
{
    close();
}

void RequestGate::forget(const QHostAddress& address)
{
    --m_open;
    if (--m_perAddress[address] <= 0)
        m_perAddress.remove(address);
}

void RequestGate::incomingConnection(qintptr descriptor)
{
    m_backOffMs = 0;
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    // Acknowledgements and pushes are small writes that must not wait for the peer's
    // delayed acknowledgement.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QHostAddress address = socket->peerAddress();
    if (m_open >= m_limits.maxConnections || m_perAddress.value(address) >= m_limits.maxConnectionsPerAddress) {
        // Refused before a request was read: no header tells the language.
        const HttpReply reply = HttpReply::restError(ServerError::tooManyRequests(Text::TooManyConnections), Language::English);
        socket->write(reply.wire(true));
        socket->flush();
        socket->abort();
        delete socket;
        return;
    }
    ++m_open;
    ++m_perAddress[address];
    // The socket is the HTTP server's, then the WebSocket's; it counts until it is gone.
    new ConnectionPlace(socket, [gate = QPointer<RequestGate>(this), address] {
        if (gate)
            gate->forget(address);
    });
    // Made before the HTTP server connects its own handlers, so this one runs first.
    new GatedConnection(socket, *this);
    addPendingConnection(socket);
}
