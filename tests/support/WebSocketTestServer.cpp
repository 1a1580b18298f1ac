#include "WebSocketTestServer.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QWebSocket>
#include <QWebSocketServer>

WebSocketTestServer::WebSocketTestServer(QObject* parent)
    : QObject(parent)
    , m_server(new QWebSocketServer(QStringLiteral("test"), QWebSocketServer::NonSecureMode, this))
{
    connect(m_server, &QWebSocketServer::newConnection, this, &WebSocketTestServer::accept);
}

WebSocketTestServer::~WebSocketTestServer() = default;

bool WebSocketTestServer::listen(quint16 port)
{
    if (!m_server->listen(QHostAddress::LocalHost, port))
        return false;
    m_port = m_server->serverPort();
    return true;
}

void WebSocketTestServer::kill()
{
    m_server->close();
    for (const auto& connection : std::as_const(m_connections)) {
        if (connection->socket)
            connection->socket->abort();
    }
}

QString WebSocketTestServer::url() const
{
    return QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port);
}

void WebSocketTestServer::sendToAll(const QByteArray& text)
{
    for (const auto& connection : std::as_const(m_connections)) {
        if (connection->open && connection->socket)
            connection->socket->sendTextMessage(QString::fromUtf8(text));
    }
}

void WebSocketTestServer::closeAll(QWebSocketProtocol::CloseCode code)
{
    for (const auto& connection : std::as_const(m_connections)) {
        if (connection->open && connection->socket)
            connection->socket->close(code);
    }
}

QList<QJsonObject> WebSocketTestServer::framesOfType(const QString& type) const
{
    QList<QJsonObject> out;
    for (const auto& connection : m_connections) {
        for (const QJsonObject& frame : connection->frames) {
            if (frame.value(QLatin1StringView("type")).toString() == type)
                out.append(frame);
        }
    }
    return out;
}

void WebSocketTestServer::accept()
{
    while (QWebSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        auto connection = std::make_shared<Connection>();
        connection->socket = socket;
        m_connections.append(connection);

        connect(socket, &QWebSocket::textMessageReceived, this, [this, connection](const QString& text) {
            const QJsonObject frame = QJsonDocument::fromJson(text.toUtf8()).object();
            connection->frames.append(frame);
            const QString type = frame.value(QLatin1StringView("type")).toString();
            if (m_answering && connection->socket) {
                const QJsonValue token = frame.value(QLatin1StringView("payload")).toObject().value(QLatin1StringView("token"));
                if (type == QLatin1StringView("auth") && m_refusedTokens.contains(token.toString())) {
                    connection->socket->sendTextMessage(QStringLiteral(R"({"type":"error","payload":{"code":"AUTH_FAILED"}})"));
                    connection->socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
                } else if (type == QLatin1StringView("auth"))
                    connection->socket->sendTextMessage(QStringLiteral(R"({"type":"auth_success","payload":{}})"));
                else if (type == QLatin1StringView("ping"))
                    connection->socket->sendTextMessage(QStringLiteral(R"({"type":"pong","payload":{}})"));
            }
        });
        connect(socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this, [connection] {
            if (connection->open)
                connection->droppedWithoutClose = true;
        });
        connect(socket, &QWebSocket::disconnected, this, [this, connection] {
            connection->open = false;
            if (connection->socket)
                connection->closeCode = connection->socket->closeCode();
        });
    }
}
