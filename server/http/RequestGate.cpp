#include "http/RequestGate.h"

#include "http/HttpFront.h"
#include "http/HttpReply.h"
#include "http/ServerError.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpSocket>
#include <QUrl>

#include <cerrno>

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

// Watches one connection until it upgrades to a WebSocket or closes. The HTTP parser
// reads everything on each readyRead, and this object's handler is connected first,
// so what the socket holds when it runs is new and not yet seen by the parser.
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
        m_timer.start(m_gate.limits().headMs);
    }

private:
    // Finished: upgraded to a WebSocket, or refused; nothing more is looked at.
    enum class Stage { Head, Body, Finished };
    // After a refusal: how long and how much of the rest is read and dropped.
    static constexpr int kRefusedLingerMs = 2000;
    static constexpr qint64 kMaxDropped = 4 << 20;
    static constexpr qint64 kDropChunk = 64 << 10;

    void inspect()
    {
        const qint64 available = m_socket->bytesAvailable();
        qint64 offset = 0;
        while (offset < available && m_socket->state() == QAbstractSocket::ConnectedState) {
            if (m_stage == Stage::Head)
                offset = readHead(offset, available);
            else if (m_stage == Stage::Body)
                offset = readBody(offset, available);
            else
                return;
        }
    }

    // Takes head bytes from offset on; returns where the head's part of them ends.
    qint64 readHead(qint64 offset, qint64 available)
    {
        const qsizetype before = m_head.size();
        const qint64 wanted = qMin<qint64>(available - offset, RequestGate::kMaxHead + 1 - before);
        m_head += m_socket->peek(offset + wanted).mid(offset);
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
        return headEnd;
    }

    qint64 readBody(qint64 offset, qint64 available)
    {
        const qint64 taken = m_bodyLeft < 0 ? available - offset : qMin(m_bodyLeft, available - offset);
        m_bodyRead += taken;
        if (m_bodyLeft > 0)
            m_bodyLeft -= taken;
        if (m_bodyRead > m_limit) {
            refuse(tooLarge(m_limit));
            return available;
        }
        if (m_bodyLeft == 0) {
            endOfRequest();
            return offset + taken;
        }
        // A trickle is refused once it has had the head's time to get going.
        const qint64 elapsed = m_bodyClock.elapsed();
        if (elapsed > m_gate.limits().headMs && m_bodyRead * 1000 < m_gate.limits().minBodyBytesPerSecond * elapsed) {
            m_socket->abort();
            return available;
        }
        m_timer.start(m_gate.limits().idleMs);
        return offset + taken;
    }

    void startRequest(const QByteArray& head)
    {
        const QList<QByteArray> lines = head.split('\n');
        m_path = QUrl(QString::fromLatin1(lines.value(0).trimmed().split(' ').value(1))).path();
        m_limit = HttpFront::bodyLimit(m_path);
        m_language = languageOfHead(lines);
        qint64 declared = 0;
        bool chunked = false;
        bool upgrade = false;
        QString bearer;
        for (const QByteArray& line : lines) {
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "origin" && !m_gate.acceptsOrigin(value)) {
                refuse(ServerError::forbidden(Text::OtherOriginRefused));
                return;
            }
            if (name == "content-length")
                declared = value.toLongLong();
            else if (name == "transfer-encoding")
                chunked = true;
            else if (name == "upgrade")
                upgrade = value.compare("websocket", Qt::CaseInsensitive) == 0;
            else if (name == "authorization" && value.left(7).compare("bearer ", Qt::CaseInsensitive) == 0)
                bearer = QString::fromLatin1(value.mid(7).trimmed());
        }
        if (declared > m_limit) {
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
        // Where a chunked body ends is the parser's business: such a request is the
        // connection's last, so nothing after it passes unchecked.
        m_lastRequest = m_lastRequest || chunked;
        m_bodyLeft = chunked ? -1 : declared;
        m_bodyRead = 0;
        if (m_bodyLeft == 0) {
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
        m_stage = Stage::Head;
        m_timer.stop();
    }

    void answered()
    {
        if (m_lastRequest && m_stage == Stage::Head) {
            m_socket->disconnectFromHost();
            return;
        }
        // An answer went out: the next head has its own time from now.
        if (m_stage == Stage::Head)
            m_timer.start(m_gate.limits().headMs);
    }

    // Answers and ends the connection at once: the answer and the end of the stream go
    // out together and the HTTP parser sees nothing more. Closing the socket while the
    // client still sends would reset the connection, and a reset can take the unread
    // answer with it; so for a moment the rest is read in small pieces and dropped,
    // up to a small amount, and then the socket goes whatever is left.
    void refuse(const ServerError& error)
    {
        m_stage = Stage::Finished;
        disconnect(m_socket, &QTcpSocket::bytesWritten, this, nullptr);
        disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
        m_socket->setReadBufferSize(kDropChunk);
        const bool procedure = m_path.startsWith(QStringLiteral("/api/trpc/"));
        const HttpReply reply = procedure ? HttpReply::procedureError(error, m_path.mid(10), m_language)
                                          : HttpReply::restError(error, m_language);
        m_socket->write(reply.wire(true));
        m_socket->flush();
        ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
        m_socket->skip(m_socket->bytesAvailable());
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
    // The current request: its head so far (up to one byte past the limit), its path
    // and body limit, and of its body what is still to come (-1: chunked) and what came.
    QByteArray m_head;
    QString m_path;
    // English until the head is read: a head refused before that has no header to go by.
    Language m_language = Language::English;
    qint64 m_limit = HttpFront::kMaxBody;
    qint64 m_bodyLeft = 0;
    qint64 m_bodyRead = 0;
    QElapsedTimer m_bodyClock;
    bool m_lastRequest = false;
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
