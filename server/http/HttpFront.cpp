#include "http/HttpFront.h"

#include "http/FrameMaskCheck.h"
#include "http/HttpConnection.h"
#include "http/ServerError.h"

#include <QTcpSocket>
#include <QWebSocket>

HttpFront::HttpFront(QObject* parent)
    : QObject(parent)
    , m_webSockets(QStringLiteral("morvane-server"), QWebSocketServer::NonSecureMode)
{
    connect(&m_webSockets, &QWebSocketServer::newConnection, this, &HttpFront::newWebSocketConnection);
}

// The gate goes first, with the connections it has not handed out yet.
HttpFront::~HttpFront()
{
    delete m_gate;
}

quint16 HttpFront::listenGuarded(const QHostAddress& address, quint16 port, const QString& hostName,
    RequestGate::Limits limits, RequestGate::TokenCheck tokenCheck)
{
    auto* gate = new RequestGate(limits, std::move(tokenCheck), this);
    if (!gate->listenOn(address, port, hostName)) {
        delete gate;
        return 0;
    }
    m_gate = gate;
    connect(gate, &QTcpServer::newConnection, this, [this, gate] {
        while (QTcpSocket* socket = gate->nextPendingConnection())
            new HttpConnection(socket, *gate, *this);
    });
    return gate->serverPort();
}

void HttpFront::stopListening()
{
    if (m_gate)
        m_gate->close();
}

qint64 HttpFront::bodyLimit(const QString& path) const
{
    return m_streamed.contains(path) ? kMaxUploadBody : kMaxBody;
}

void HttpFront::streamBody(const QString& path, SinkMaker make)
{
    m_streamed.insert(path, std::move(make));
}

std::shared_ptr<BodySink> HttpFront::bodySink(const QString& path) const
{
    const auto it = m_streamed.constFind(path);
    return it == m_streamed.constEnd() ? nullptr : (*it)();
}

void HttpFront::route(const QString& prefix, bool procedureErrors, Handler handler)
{
    m_routes.append(Route { prefix, procedureErrors, std::move(handler) });
}

HttpReply HttpFront::serve(const HttpRequest& request)
{
    const Route* route = nullptr;
    for (const Route& candidate : std::as_const(m_routes)) {
        if (request.path.startsWith(candidate.prefix)) {
            route = &candidate;
            break;
        }
    }
    if (!route) {
        if (request.path == u"/ws")
            return HttpReply::restError(ServerError::badRequest(Text::WebSocketOnly), request.language);
        return HttpReply::restError(ServerError::notFound(Text::NotFound), request.language);
    }
    const QString rest = request.path.mid(route->prefix.size());
    return HttpReply::guarded([&] { return route->handler(request, rest); }, route->procedureErrors,
        route->procedureErrors ? rest : request.path, request.language);
}

void HttpFront::upgrade(QTcpSocket* socket)
{
    // Made before the WebSocket, so that its reader runs before the WebSocket's.
    m_handshaking.removeAll(nullptr);
    m_handshaking.append(new FrameMaskCheck(socket));
    m_webSockets.handleConnection(socket);
}

std::unique_ptr<QWebSocket> HttpFront::nextPendingWebSocketConnection()
{
    std::unique_ptr<QWebSocket> webSocket(m_webSockets.nextPendingConnection());
    if (!webSocket)
        return webSocket;
    m_handshaking.removeAll(nullptr);
    for (qsizetype i = 0; i < m_handshaking.size(); ++i) {
        QTcpSocket* socket = m_handshaking[i]->socket();
        if (socket->peerPort() == webSocket->peerPort() && socket->peerAddress() == webSocket->peerAddress()) {
            m_handshaking.takeAt(i)->follow(webSocket.get());
            break;
        }
    }
    return webSocket;
}
