#include "http/RequestGate.h"

#include "http/HttpFront.h"
#include "http/HttpReply.h"
#include "http/ServerError.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

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
        m_timer.start(m_gate.timeouts().headMs);
    }

private:
    // Bytes after a refusal that are still swallowed so the client reads the answer
    // instead of a reset; a larger declared body is not waited for.
    static constexpr qint64 kMaxDiscard = 512LL << 20;

    void inspect()
    {
        if (m_refused) {
            m_toDiscard -= m_socket->readAll().size();
            if (m_toDiscard <= 0)
                m_socket->disconnectFromHost();
            return;
        }
        const qint64 fresh = m_socket->bytesAvailable();
        if (m_total == 0 && fresh > 0)
            m_timer.start(m_gate.timeouts().headMs);
        m_total += fresh;
        if (m_headLength < 0) {
            m_head += m_socket->peek(qMin<qint64>(fresh, RequestGate::kMaxHead + 1 - m_head.size()));
            readHead();
            if (m_refused || m_headLength < 0)
                return;
            if (m_upgraded) {
                // The WebSocket has time-outs of its own; this object's work is done.
                m_timer.stop();
                disconnect(m_socket, nullptr, this, nullptr);
                deleteLater();
                return;
            }
        } else {
            m_timer.start(m_gate.timeouts().idleMs);
        }
        if (m_total - m_headLength > m_limit) {
            refuse(ServerError::tooLarge(Text::BodyTooLarge, m_limit));
            return;
        }
        // The whole request is here: the silence that follows is the server's own
        // (a password being checked, a file being written), not the client's.
        if (m_bodyLength >= 0 && m_total - m_headLength >= m_bodyLength)
            m_timer.stop();
    }

    void readHead()
    {
        const qsizetype lineEnd = m_head.indexOf("\r\n");
        const qsizetype firstSpace = m_head.indexOf(' ');
        const qsizetype urlLength = (lineEnd >= 0 ? m_head.lastIndexOf(' ', lineEnd) : m_head.size()) - firstSpace - 1;
        if (urlLength > RequestGate::kMaxUrl) {
            refuse(ServerError(ServerError::Kind::UriTooLong, Phrase::of(Text::AddressTooLong, RequestGate::kMaxUrl)));
            return;
        }
        const qsizetype end = m_head.indexOf("\r\n\r\n");
        if (end < 0 || end + 4 > RequestGate::kMaxHead) {
            if (m_head.size() > RequestGate::kMaxHead)
                refuse(ServerError(ServerError::Kind::HeadersTooLarge, Phrase::of(Text::HeadTooLarge, RequestGate::kMaxHead)));
            return;
        }
        m_headLength = end + 4;
        m_timer.start(m_gate.timeouts().idleMs);
        const QList<QByteArray> lines = m_head.left(end).split('\n');
        m_path = QUrl(QString::fromLatin1(lines.value(0).trimmed().split(' ').value(1))).path();
        m_limit = HttpFront::bodyLimit(m_path);
        m_language = languageOfHead(lines);
        qint64 declared = 0;
        bool chunked = false;
        bool upgrade = false;
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
        }
        if (declared > m_limit) {
            m_toDiscard = declared <= kMaxDiscard ? m_headLength + declared - m_total : -1;
            refuse(ServerError::tooLarge(Text::BodyTooLarge, m_limit));
            return;
        }
        m_upgraded = upgrade && m_path == u"/ws";
        m_bodyLength = chunked ? -1 : declared;
    }

    void answered()
    {
        if (m_refused)
            return;
        // An answer went out: whatever arrives next starts a new request.
        m_total = 0;
        m_head.clear();
        m_headLength = -1;
        m_limit = HttpFront::kMaxBody;
        m_path.clear();
        m_bodyLength = -1;
        m_timer.start(m_gate.timeouts().idleMs);
    }

    void refuse(const ServerError& error)
    {
        m_refused = true;
        m_socket->readAll();
        const bool procedure = m_path.startsWith(QStringLiteral("/api/trpc/"));
        const HttpReply reply = procedure ? HttpReply::procedureError(error, m_path.mid(10), m_language)
                                          : HttpReply::restError(error, m_language);
        m_socket->write("HTTP/1.1 " + QByteArray::number(reply.status)
            + " Refused\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(reply.body.size()) + "\r\n\r\n" + reply.body);
        if (m_toDiscard <= 0)
            m_socket->disconnectFromHost();
        else
            m_timer.start(m_gate.timeouts().headMs);
    }

    QTcpSocket* m_socket;
    const RequestGate& m_gate;
    QTimer m_timer;
    // The current request: bytes seen, its head (up to one byte past the limit).
    qint64 m_total = 0;
    QByteArray m_head;
    qint64 m_headLength = -1;
    qint64 m_limit = HttpFront::kMaxBody;
    QString m_path;
    // English until the head is read: a head refused before that has no header to go by.
    Language m_language = Language::English;
    // Of the current request, from its head; -1 when unknown (chunked).
    qint64 m_bodyLength = -1;
    bool m_refused = false;
    bool m_upgraded = false;
    qint64 m_toDiscard = -1;
};

QByteArray origin(const QString& host, quint16 port)
{
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("http://%1:%2").arg(shown).arg(port).toLatin1().toLower();
}

} // namespace

RequestGate::RequestGate(Timeouts timeouts, QObject* parent)
    : QTcpServer(parent)
    , m_timeouts(timeouts)
{
}

bool RequestGate::listenOn(const QHostAddress& address, quint16 port, const QString& hostName)
{
    if (!listen(address, port))
        return false;
    for (const QString& host : { hostName, QStringLiteral("127.0.0.1"), QStringLiteral("localhost") })
        m_origins.insert(origin(host, serverPort()));
    return true;
}

bool RequestGate::acceptsOrigin(const QByteArray& value) const
{
    return m_origins.contains(value.trimmed().toLower());
}

void RequestGate::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    // Made before the HTTP server connects its own handlers, so this one runs first.
    new GatedConnection(socket, *this);
    addPendingConnection(socket);
}
