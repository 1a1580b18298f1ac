#pragma once

// The server end of the realtime channel for state tests: it accepts the client's
// socket, answers "auth" with "auth_success", records every frame the client
// sends and pushes frames of the test's choosing.

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>

class QWebSocket;
class QWebSocketServer;

class FakeChannelPeer : public QObject {
    Q_OBJECT

public:
    explicit FakeChannelPeer(QObject* parent = nullptr);
    ~FakeChannelPeer() override;

    // "ws://127.0.0.1:<port>/ws"
    QString url() const;
    void push(const QJsonObject& frame);
    // Every frame received, "auth" included, in order.
    const QList<QJsonObject>& frames() const { return m_frames; }
    QList<QJsonObject> framesOfType(const QString& type) const;

Q_SIGNALS:
    void frameReceived(const QJsonObject& frame);

private:
    QWebSocketServer* m_server;
    QList<QWebSocket*> m_clients;
    QList<QJsonObject> m_frames;
};
