#include "http/RequestGate.h"

#include "http/HttpReply.h"
#include "http/ServerError.h"

#include <QPointer>
#include <QTcpSocket>

#include <cerrno>

#include <sys/socket.h>

namespace {

// Holds a connection's place in the counts for as long as its socket lives: a child of
// the socket, so it goes with it.
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
        socket->write(reply.wire(Framing { .closing = true }));
        socket->flush();
        socket->abort();
        delete socket;
        return;
    }
    ++m_open;
    ++m_perAddress[address];
    // The socket is the HTTP connection's, then the WebSocket's; it counts until it is gone.
    new ConnectionPlace(socket, [gate = QPointer<RequestGate>(this), address] {
        if (gate)
            gate->forget(address);
    });
    addPendingConnection(socket);
}
