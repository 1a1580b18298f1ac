#pragma once

// The "/ws" live channel: authenticates sockets, takes the client's frames (send,
// typing, read, delivered, ping) and pushes events to the sockets of the users they
// concern. Procedures push through it too (revocations, reactions, read marks).

#include "live/Presence.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class Accounts;
class Contacts;
class Conversations;
class Messages;
class QWebSocket;

class LiveHub : public QObject {
    Q_OBJECT
public:
    // Frames up to kMaxFrame are read; larger ones up to kMaxBufferedFrame are answered
    // with an "error" frame. Beyond that the socket itself refuses the frame and closes,
    // which a sender still writing may only see as a reset.
    static constexpr qint64 kMaxFrame = 1 << 20;
    static constexpr qint64 kMaxBufferedFrame = 4 * kMaxFrame;
    static constexpr int kAuthTimeoutMs = 30000;

    LiveHub(Accounts& accounts, Conversations& conversations, Messages& messages, Contacts& contacts,
        QObject* parent = nullptr);
    ~LiveHub() override;

    void accept(std::unique_ptr<QWebSocket> socket);

    bool isOnline(qint64 userId) const;
    // Accounts with at least one authenticated socket now.
    qint64 onlineCount() const;
    Presence presence() const;

    void sendToUsers(const QList<qint64>& userIds, const QString& type, const QJsonObject& payload,
        const QWebSocket* except = nullptr);
    void sendToConversation(qint64 conversationId, const QString& type, const QJsonObject& payload,
        const QWebSocket* except = nullptr);
    // "message_read_notify" to the other members, "read_sync" to the reader's other sockets.
    void notifyRead(qint64 conversationId, qint64 readerId, qint64 lastReadId, const QWebSocket* readerSocket = nullptr);
    // Closes the sockets opened with a session that has ended.
    void closeSession(qint64 sessionId);
    // Closes every socket of the account (it was banned).
    void closeUser(qint64 userId);
    // Closes every socket with 1001 (going away) and returns once they are gone or
    // the wait ran out.
    void closeAll(int waitMs);

private:
    struct Connection {
        qint64 userId = 0;
        qint64 sessionId = 0;
        QString deviceId;
    };

    void onText(QWebSocket* socket, const QString& text);
    void onClosed(QWebSocket* socket);
    void handleAuth(QWebSocket* socket, const QJsonObject& payload);
    void handleSend(QWebSocket* socket, const Connection& connection, const QJsonObject& payload);
    void handleTyping(QWebSocket* socket, const Connection& connection, const QJsonObject& payload);
    void handleRead(QWebSocket* socket, const Connection& connection, const QJsonObject& payload);
    void handleDelivered(const Connection& connection, const QJsonObject& payload);

    static void send(QWebSocket* socket, const QString& type, const QJsonObject& payload);
    static void sendError(QWebSocket* socket, const QString& code, const QString& message,
        const QJsonObject& extra = {});
    QList<QWebSocket*> socketsOf(qint64 userId) const;

    Accounts& m_accounts;
    Conversations& m_conversations;
    Messages& m_messages;
    Contacts& m_contacts;
    QHash<QWebSocket*, Connection> m_connections;
    QMultiHash<qint64, QWebSocket*> m_byUser;
};
