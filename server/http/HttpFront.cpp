#include "http/HttpFront.h"

#include "http/ServerError.h"
#include "store/Database.h"

#include "models/Json.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonObject>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

QString methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return QStringLiteral("GET");
    case QHttpServerRequest::Method::Post:
        return QStringLiteral("POST");
    case QHttpServerRequest::Method::Put:
        return QStringLiteral("PUT");
    case QHttpServerRequest::Method::Delete:
        return QStringLiteral("DELETE");
    case QHttpServerRequest::Method::Head:
        return QStringLiteral("HEAD");
    case QHttpServerRequest::Method::Options:
        return QStringLiteral("OPTIONS");
    case QHttpServerRequest::Method::Patch:
        return QStringLiteral("PATCH");
    default:
        return QStringLiteral("OTHER");
    }
}

QString bearerOf(const QHttpServerRequest& request)
{
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("authorization", Qt::CaseInsensitive) != 0)
            continue;
        const QByteArray trimmed = value.trimmed();
        if (trimmed.size() > 7 && trimmed.left(7).compare("bearer ", Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(trimmed.mid(7).trimmed());
        return {};
    }
    return {};
}

QString hostOf(const QHttpServerRequest& request)
{
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("host", Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(value.trimmed());
    }
    return {};
}

bool isUpgrade(const QHttpServerRequest& request)
{
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("upgrade", Qt::CaseInsensitive) == 0 && value.trimmed().compare("websocket", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Sees every connection's bytes before the HTTP parser does. A request whose declared
// Content-Length, or whose body received so far, exceeds the limit is answered 413;
// the rest of its body is read and dropped and the connection closed, so a huge body
// is never held in memory.
class BodyLimitedListener : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        auto state = std::make_shared<State>();
        // Connected before the HTTP server's own handler, so this runs first.
        connect(socket, &QTcpSocket::readyRead, socket, [socket, state] { inspect(socket, *state); });
        connect(socket, &QTcpSocket::bytesWritten, socket, [state] {
            if (!state->refused)
                *state = State {};
        });
        addPendingConnection(socket);
    }

private:
    struct State {
        // Bytes of the current request seen so far, and its start up to kMaxHead.
        qint64 total = 0;
        QByteArray head;
        qint64 headerLength = -1;
        qint64 limit = HttpFront::kMaxUploadBody;
        QString path;
        bool refused = false;
        // After a refusal: bytes of the declared body still to swallow before closing,
        // so the client gets to read the answer instead of a reset; -1 when unknown.
        qint64 toDiscard = -1;
    };

    static constexpr qsizetype kMaxHead = 16 << 10;
    // Beyond this a refused body is not waited for.
    static constexpr qint64 kMaxDiscard = 512LL << 20;
    static constexpr int kDiscardTimeoutMs = 60000;

    static void inspect(QTcpSocket* socket, State& state)
    {
        if (state.refused) {
            state.toDiscard -= socket->readAll().size();
            if (state.toDiscard <= 0)
                socket->disconnectFromHost();
            return;
        }
        // The HTTP parser reads everything on each signal, so what is available now is new.
        const qint64 fresh = socket->bytesAvailable();
        state.total += fresh;
        if (state.headerLength < 0 && state.head.size() < kMaxHead) {
            state.head += socket->peek(qMin<qint64>(fresh, kMaxHead - state.head.size()));
            const qsizetype end = state.head.indexOf("\r\n\r\n");
            if (end >= 0) {
                state.headerLength = end + 4;
                const QList<QByteArray> lines = state.head.left(end).split('\n');
                const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
                state.path = QUrl(QString::fromLatin1(requestLine.value(1))).path();
                state.limit = HttpFront::bodyLimit(state.path);
                for (const QByteArray& line : lines) {
                    const qsizetype colon = line.indexOf(':');
                    if (colon <= 0 || line.left(colon).trimmed().compare("content-length", Qt::CaseInsensitive) != 0)
                        continue;
                    const qint64 declared = line.mid(colon + 1).trimmed().toLongLong();
                    if (declared > state.limit) {
                        state.toDiscard = declared <= kMaxDiscard ? state.headerLength + declared - state.total : -1;
                        refuse(socket, state);
                        return;
                    }
                }
            }
        }
        if (state.headerLength >= 0 && state.total - state.headerLength > state.limit)
            refuse(socket, state);
    }

    static void refuse(QTcpSocket* socket, State& state)
    {
        state.refused = true;
        socket->readAll();
        const QString& path = state.path;
        const ServerError error = ServerError::tooLarge(QStringLiteral("The request body is too large (at most %1 bytes)").arg(state.limit));
        const QString procedure = path.startsWith(QStringLiteral("/api/trpc/")) ? path.mid(10) : QString();
        const HttpReply reply = path.startsWith(QStringLiteral("/api/trpc/")) ? HttpReply::procedureError(error, procedure) : HttpReply::restError(error);
        socket->write("HTTP/1.1 413 Payload Too Large\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(reply.body.size()) + "\r\n\r\n" + reply.body);
        if (state.toDiscard <= 0)
            socket->disconnectFromHost();
        else
            QTimer::singleShot(kDiscardTimeoutMs, socket, [socket] { socket->abort(); });
    }
};

} // namespace

quint16 HttpFront::listenGuarded(const QHostAddress& address, quint16 port)
{
    auto* listener = new BodyLimitedListener(this);
    if (!listener->listen(address, port)) {
        delete listener;
        return 0;
    }
    bind(listener);
    return listener->serverPort();
}

qint64 HttpFront::bodyLimit(const QString& path)
{
    return path == u"/api/trpc/upload.complete" ? kMaxUploadBody : kMaxBody;
}

HttpFront::HttpFront(QObject* parent)
    : QAbstractHttpServer(parent)
{
}

void HttpFront::route(const QString& prefix, bool procedureErrors, Handler handler)
{
    m_routes.append(Route { prefix, procedureErrors, std::move(handler) });
}

bool HttpFront::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    // The upgrade itself is done by the base class once this returns true without a reply.
    if (request.url().path() == u"/ws" && isUpgrade(request))
        return true;
    write(request, socket, dispatch(request));
    return true;
}

void HttpFront::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    write(request, socket, HttpReply::restError(ServerError::notFound(QStringLiteral("Not found"))));
}

HttpReply HttpFront::dispatch(const QHttpServerRequest& request)
{
    const QString path = request.url().path();
    const Route* route = nullptr;
    for (const Route& candidate : m_routes) {
        if (path.startsWith(candidate.prefix)) {
            route = &candidate;
            break;
        }
    }
    if (!route) {
        if (path == u"/ws")
            return HttpReply::restError(ServerError::badRequest(QStringLiteral("This address takes WebSocket connections only")));
        return HttpReply::restError(ServerError::notFound(QStringLiteral("Not found")));
    }
    const QString rest = path.mid(route->prefix.size());
    const auto fail = [&](const ServerError& error) {
        return route->procedureErrors ? HttpReply::procedureError(error, rest) : HttpReply::restError(error);
    };

    const qint64 limit = bodyLimit(path);
    if (request.body().size() > limit)
        return fail(ServerError::tooLarge(QStringLiteral("The request body is too large (at most %1 bytes)").arg(limit)));

    HttpRequest view;
    view.method = methodName(request.method());
    view.path = path;
    view.query = request.query();
    view.body = request.body();
    view.bearerToken = bearerOf(request);
    view.clientAddress = request.remoteAddress().toString();
    view.host = hostOf(request);
    try {
        return route->handler(view, rest);
    } catch (const ServerError& error) {
        return fail(error);
    } catch (const json::DecodeError& error) {
        return fail(ServerError::badRequest(QStringLiteral("Invalid input: ") + error.description()));
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Server] Request" << view.method << path << "failed:" << error.what();
        return HttpReply::internalError(route->procedureErrors);
    }
}

void HttpFront::write(const QHttpServerRequest& request, QTcpSocket* socket, const HttpReply& reply)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(reply.status));
    responder.writeHeader(QByteArrayLiteral("Content-Type"), reply.contentType);
    responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArray::number(reply.body.size()));
    for (const auto& [name, value] : reply.headers)
        responder.writeHeader(name, value);
    responder.writeBody(reply.body);
}
