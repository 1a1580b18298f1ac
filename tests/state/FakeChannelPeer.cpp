#include "FakeChannelPeer.h"

#include <QJsonDocument>
#include <QWebSocket>
#include <QWebSocketServer>

FakeChannelPeer::FakeChannelPeer(QObject* parent)
    : QObject(parent)
    , m_server(new QWebSocketServer(QStringLiteral("fake"), QWebSocketServer::NonSecureMode, this))
{
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qFatal("fake channel cannot listen");
    connect(m_server, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket* socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            m_clients.append(socket);
            connect(socket, &QWebSocket::disconnected, this, [this, socket] { m_clients.removeAll(socket); });
            connect(socket, &QWebSocket::textMessageReceived, this, [this, socket](const QString& text) {
                const QJsonObject frame = QJsonDocument::fromJson(text.toUtf8()).object();
                m_frames.append(frame);
                if (frame.value(QStringLiteral("type")).toString() == u"auth")
                    socket->sendTextMessage(QStringLiteral(R"({"type":"auth_success","payload":{}})"));
                Q_EMIT frameReceived(frame);
            });
        }
    });
}

FakeChannelPeer::~FakeChannelPeer() = default;

QString FakeChannelPeer::url() const
{
    return QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_server->serverPort());
}

void FakeChannelPeer::push(const QJsonObject& frame)
{
    const QString text = QString::fromUtf8(QJsonDocument(frame).toJson(QJsonDocument::Compact));
    for (QWebSocket* socket : std::as_const(m_clients))
        socket->sendTextMessage(text);
}

QList<QJsonObject> FakeChannelPeer::framesOfType(const QString& type) const
{
    QList<QJsonObject> result;
    for (const QJsonObject& frame : m_frames) {
        if (frame.value(QStringLiteral("type")).toString() == type)
            result.append(frame);
    }
    return result;
}
