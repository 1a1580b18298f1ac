#pragma once

// The "/ws" live channel: authenticates sockets, takes the client's frames (send,
// typing, read, delivered, ping) and pushes events to the sockets of the users they
// concern. Procedures push through it too (revocations, reactions, read marks).

#include "live/FrameInbox.h"
#include "live/Presence.h"
#include "texts/Phrase.h"
#include "store/Messages.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWebSocketProtocol>

#include <functional>
#include <memory>

class Accounts;
class Contacts;
class Conversations;
class MessageWriter;
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
    // A socket whose peer leaves more than this unread is closed: a client that never
    // reads must not make the server hold its deliveries without bound.
    static constexpr qint64 kMaxUnsent = 4 * 1024 * 1024;
    // How long a channel may stay open once it is no longer the one its client is reached
    // on: replaced by a newer channel of the same session and device, or past its token's
    // expiry. Enough for the client to move over to its next channel.
    static constexpr int kHandoverGraceMs = 5000;
    void setHandoverGraceMs(int ms) { m_handoverGraceMs = ms; }

    LiveHub(Accounts& accounts, Conversations& conversations, Messages& messages, Contacts& contacts, MessageWriter& writer,
        QObject* parent = nullptr);
    ~LiveHub() override;

    void accept(std::unique_ptr<QWebSocket> socket);

    bool isOnline(qint64 userId) const;
    // Accounts with at least one authenticated socket now.
    qint64 onlineCount() const;
    // Who is online as the viewer may see it: never someone with a block between them.
    Presence presenceFor(qint64 viewerId) const;

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
        // From the upgrade's Accept-Language: what the errors sent to this socket are written in.
        Language language = Language::English;
        // Counts authentications: of two channels of one session and device, the higher
        // is the newer.
        qint64 order = 0;
        // Closed by the server for good (signed out, banned): its client does not come back on it.
        bool ended = false;
        // Its close handshake has begun: a frame written on it now would follow the close
        // frame, which the client reads last.
        bool closing = false;
    };
    // The user's last channel closed, as when a renewal comes late: for the handover
    // grace the user stays online, and what they are sent waits for the same session
    // and device to come back.
    struct Resumption {
        qint64 sessionId = 0;
        QString deviceId;
        QList<QByteArray> frames;
        qint64 bytes = 0;
        // Tells a grace timer whether the resumption it was started for still runs.
        qint64 serial = 0;
    };

    void onText(QWebSocket* socket, const QString& text);
    void onClosed(QWebSocket* socket);
    void handleAuth(QWebSocket* socket, const QJsonObject& payload);
    void handleSend(QWebSocket* socket, const Connection& connection, const QJsonObject& payload);
    // Hands the sends that arrived in this turn of the event loop to the writer together.
    void submitSends();
    // Acknowledges and delivers what the writer has committed.
    void onSendsWritten();
    // Returns once every send that arrived so far is committed and answered.
    void settleSends();
    void closeWhenExpired(QWebSocket* socket, qint64 sessionId, qint64 expiresSeconds);
    // Closes the client's older channels of this session and device after the grace:
    // the new one carries the user's events from now on (carriersOf).
    void replaceOlderChannels(QWebSocket* socket, const Connection& connection);
    void closeAfterGrace(QWebSocket* socket, qint64 sessionId, QWebSocketProtocol::CloseCode code, const QString& reason);
    void awaitReturn(const Connection& connection);
    // The socket's close has begun: the user's events go elsewhere, or wait.
    void stopWritingOn(QWebSocket* socket);
    // Writes what waited for this channel's session and device on it.
    void resume(QWebSocket* socket, const Connection& connection);
    // Gives up waiting: the user is offline unless another channel of theirs is open.
    void stopAwaiting(qint64 userId);
    void goOffline(qint64 userId);
    // Closes the sockets matching, for good.
    void endConnections(const std::function<bool(const Connection&)>& matches, const QString& reason);
    void handleTyping(QWebSocket* socket, const Connection& connection, const QJsonObject& payload);
    void handleRead(QWebSocket* socket, const Connection& connection, const QJsonObject& payload);
    void handleDelivered(const Connection& connection, const QJsonObject& payload);

    void send(QWebSocket* socket, const QString& type, const QJsonObject& payload);
    // A frame already written as JSON text.
    void sendFrame(QWebSocket* socket, const QByteArray& frame);
    void sendError(QWebSocket* socket, const QString& code, const Phrase& reason, const QJsonObject& extra = {});
    // Every authenticated socket of the user, replaced ones included: the user is online
    // while one is open.
    QList<QWebSocket*> socketsOf(qint64 userId) const;
    // Where the user's events are written: per session and device the newest channel
    // not closing, and every channel not closing that names no device.
    QList<QWebSocket*> carriersOf(qint64 userId) const;

    Accounts& m_accounts;
    Conversations& m_conversations;
    Messages& m_messages;
    Contacts& m_contacts;
    QHash<QWebSocket*, Connection> m_connections;
    QMultiHash<qint64, QWebSocket*> m_byUser;
    qint64 m_authentications = 0;
    QHash<qint64, Resumption> m_resuming;
    qint64 m_resumptions = 0;
    // Bytes handed to each open socket and not yet written out.
    QHash<QWebSocket*, qint64> m_unsent;

    struct QueuedSend {
        QPointer<QWebSocket> socket;
        QString clientMsgId;
        qint64 conversationId = 0;
    };
    MessageWriter& m_writer;
    // Arrived in this turn of the event loop, for the writer.
    QList<PendingMessage> m_unsubmitted;
    // Arrived and not yet answered, in the order they arrived.
    QList<QueuedSend> m_writingSends;
    FrameInbox m_inbox;
    int m_handoverGraceMs = kHandoverGraceMs;
};
