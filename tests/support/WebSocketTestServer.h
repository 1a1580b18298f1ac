#pragma once

// An in-process WebSocket server on loopback for channel tests. It records every
// text frame it receives, answers "auth" and "ping" unless told to stay silent,
// can push frames, and can drop every connection the way a killed process does.

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWebSocketProtocol>

#include <memory>

class QWebSocket;
class QWebSocketServer;

class WebSocketTestServer : public QObject {
    Q_OBJECT
public:
    struct Connection {
        QPointer<QWebSocket> socket;
        QList<QJsonObject> frames;
        bool open = true;
        // The peer went away without a closing handshake (abort, dead process).
        bool droppedWithoutClose = false;
        int closeCode = 0;
    };

    explicit WebSocketTestServer(QObject* parent = nullptr);
    ~WebSocketTestServer() override;

    // Loopback only; port 0 picks a free port. A restart passes the old port again.
    bool listen(quint16 port = 0);
    // Stops listening and drops every connection without a closing handshake.
    void kill();
    quint16 port() const { return m_port; }
    QString url() const;

    // When false, "auth" and "ping" get no answer.
    void setAnswering(bool answering) { m_answering = answering; }
    void sendToAll(const QByteArray& text);
    // An "auth" frame with one of these tokens is answered "AUTH_FAILED" and closed with the policy code.
    void setRefusedTokens(const QStringList& tokens) { m_refusedTokens = tokens; }
    // Closes every open connection with this code, as a server does when a token expires.
    void closeAll(QWebSocketProtocol::CloseCode code);

    const QList<std::shared_ptr<Connection>>& connections() const { return m_connections; }
    QList<QJsonObject> framesOfType(const QString& type) const;

private:
    void accept();

    QWebSocketServer* m_server;
    quint16 m_port = 0;
    bool m_answering = true;
    QStringList m_refusedTokens;
    QList<std::shared_ptr<Connection>> m_connections;
};
