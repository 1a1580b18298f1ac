#pragma once

// The one realtime channel to the server's "/ws" endpoint: it authenticates with
// the stored access token, keeps the socket alive with a heartbeat, reopens it
// with a back-off after failures, and turns every received frame into events.
//
// Each connect() starts a new generation; whatever an older socket reports
// afterwards is ignored, so nothing is ever handled or sent on a stale socket.
// The one exception is a re-authentication of the same user on a live channel (a
// token renewal): the authenticated socket stays in service until the new one has
// taken over (ChannelHandover). A connect() for another user, and disconnect()
// (signing out), end the account the channel served: nothing it queued is sent
// on another account's socket.
//
// A channel the server refuses (an "AUTH_FAILED" error, or a close with the policy
// code, as when the token expires) is never reopened with the same token: the
// session is renewed first. Chat messages wait in the outbox (ChannelOutbox) until
// the server answers them or their time runs out, through outages too.
//
// The log names frames by type, ids and size only: never a message's text or a token.

#include "models/Message.h"
#include "models/WSMessage.h"
#include "network/ChannelHandover.h"
#include "network/ChannelOutbox.h"
#include "network/SessionRenewal.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketDispatch.h"

#include <QCoroTask>

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class APIClient;
class ClientIdService;
class KeychainService;
class QWebSocket;

class WebSocketService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isConnected READ isConnected NOTIFY isConnectedChanged)
    Q_PROPERTY(QSet<qint64> onlineUsers READ onlineUsers NOTIFY onlineUsersChanged)

public:
    // Made on first use and kept on the GUI thread. Reconnects by itself whenever the
    // API client has refreshed the session token.
    static WebSocketService* shared();

    // Renews the session after the server refused the channel's token.
    using SessionRenewer = std::function<QCoro::Task<SessionRenewal>()>;

    WebSocketService(QString address, std::shared_ptr<WebSocketClock> clock, KeychainService& keychain,
                     ClientIdService& clientIds, QObject* parent = nullptr);
    ~WebSocketService() override;

    bool isConnected() const { return m_isConnected; }
    QSet<qint64> onlineUsers() const { return m_onlineUsers; }
    std::optional<qint64> currentUserId() const { return m_currentUserId; }
    bool intentionalDisconnect() const { return m_intentionalDisconnect; }
    void setSessionRenewer(SessionRenewer renewer) { m_renewer = std::move(renewer); }
    // Follows the session of api: authenticates again after each of its token refreshes,
    // and renews through it when the server refuses the channel's token.
    void followSession(APIClient& api);
    // Client message ids sent and not yet acknowledged, oldest first.
    QStringList unacknowledgedMessages() const;

    // The heartbeat period and how long the server may leave a ping unanswered.
    static constexpr qint64 heartbeatIntervalMs = 30'000;
    static constexpr qint64 pongTimeoutMs = 75'000;
    // How long a replaced socket may wait for the peer's answer to its close.
    static constexpr qint64 closeHandshakeGraceMs = 3'000;
    // How long a connect() may wait for a connection under way to take over.
    static constexpr qint64 takeOverWaitMs = 10'000;
    // How long a chat message may wait for its acknowledgement, connected or not.
    static constexpr qint64 ackTimeoutMs = ChannelOutbox::ackTimeoutMs;

public Q_SLOTS:
    // (Re)opens the channel for this user. Safe to call from any thread.
    void connect(qint64 userId);
    // Closes the channel and blocks every reconnection until the next connect().
    void disconnect();

    void sendRaw(const QJsonObject& frame);
    void send(const WSMessage& message);
    // A "message_send" frame whose payload carries its "clientMsgId": kept until the
    // server acknowledges or refuses it, or its time runs out. A message sent again
    // under the id of one that failed is taken like a new one.
    void sendChatMessage(const QJsonObject& frame);
    void sendDeliveryAck(qint64 messageId);
    void sendTyping(qint64 conversationId);

    // Turns one received text frame into events; the socket calls it for each frame.
    void handleMessage(const QString& text);

Q_SIGNALS:
    // Emitted on every assignment, repeats included; subscribers drop repeats themselves.
    void isConnectedChanged(bool isConnected);
    // The server accepted the channel's "auth" frame (on every connection).
    void authenticated();
    void onlineUsersChanged(const QSet<qint64>& onlineUsers);
    // The account the channel served has ended (signed out, or another user connected):
    // whatever it had queued was thrown away.
    void accountEnded();

    // The event streams. They keep no history: a subscriber sees what comes after it connects.
    void messageSubject(const WSMessage& message);
    void typingSubject(qint64 conversationId, qint64 userId, const QString& userName);
    void newMessageSubject(const Message& message);
    void readSubject(qint64 conversationId, qint64 userId);
    void reactionSubject(qint64 messageId, qint64 userId, const QString& emoji, const QString& action);
    void callSubject(const WSMessage& message);
    void friendRequestSubject(const WSMessage& message);
    void presenceSubject(qint64 userId, bool online);
    // byAdministrator: an administrator removed the message, not its sender.
    void revokeSubject(qint64 messageId, qint64 conversationId, bool byAdministrator);
    void editSubject(qint64 messageId, qint64 conversationId, const QString& content);
    void messageAckSubject(const QString& clientMsgId, const QString& serverMsgId, qint64 messageId, bool isDuplicate);
    void syncResponseSubject(const QList<Message>& messages, bool hasMore, const std::optional<QString>& nextCursor);
    void messagePinnedSubject(qint64 messageId, qint64 conversationId);
    void messageUnpinnedSubject(qint64 messageId, qint64 conversationId);
    void messageEditedSubject(qint64 messageId, qint64 conversationId, const QString& newContent, qint64 editedBy);
    void muteAckSubject(qint64 conversationId, bool muted);
    // A chat message the server refused (with its reason) or did not acknowledge in time
    // (no reason). An acknowledgement that comes after all is still published.
    void messageFailedSubject(const QString& clientMsgId, const std::optional<QString>& serverReason);

private:
    // connect() without waiting for a connection under way.
    void connectNow(qint64 userId);
    void openSocket(const QUrl& url, qint64 generation, qint64 userId);
    void sendAuth(qint64 userId);
    // On the socket that is authenticated: the one being replaced until its successor has
    // taken over; else the current one, where a frame waits for it to open.
    void sendText(const QString& text);
    void sendPing();
    // Takes the current socket out of service; closes it cleanly when it is open.
    void retireSocket();
    void socketFailed(QWebSocket* socket, qint64 generation);
    // Throws away what the account queued, failing its chat messages.
    void endAccount();

    void startHeartbeat();
    void heartbeatTick();
    void scheduleReconnect();
    void reconnectFired();
    void handleDisconnect(qint64 generation, bool tokenRefused);
    // A frame from one of the channel's sockets: the current one or the one handing over to it.
    void receiveFrame(const QWebSocket* socket, const QString& text);
    void dropHandover();
    void handoverSocketLost();
    // Authenticates again, with the token stored now, when that was asked for while a
    // connection was under way and the channel has one accepted connection again.
    void renewIfDue();
    // Renews the refused session, then opens the channel with the new token.
    QCoro::Task<> renewAndReconnect();
    std::optional<qint64> reconnectUserId() const;

    // Sends what the outbox holds and the authenticated socket has not carried yet.
    void sendOutbox();
    // Reports a chat message that left the outbox unanswered or refused.
    void messageFailed(const QString& clientMsgId, const std::optional<QString>& serverReason);

    // What the dispatch of received frames changes besides publishing events.
    friend class WebSocketDispatch;
    // The server accepted the current socket ("auth_success").
    void accepted();
    void pongReceived(bool fromCurrent);
    // The current socket's "auth" was refused.
    void authenticationRefused();
    // refusal: the server's reason when it refused the message; none when it acknowledged it.
    void messageAnswered(const QString& clientMsgId, const std::optional<QString>& refusal);
    void setUserOnline(qint64 userId, bool online);

    void setIsConnected(bool connected);
    void setOnlineUsers(QSet<qint64> users);

    QString m_address;
    std::shared_ptr<WebSocketClock> m_clock;
    KeychainService& m_keychain;
    ClientIdService& m_clientIds;

    bool m_isConnected = false;
    QSet<qint64> m_onlineUsers;
    QPointer<QWebSocket> m_webSocket;
    // Frames given to the current socket while it is still opening.
    QStringList m_framesWaitingForOpen;
    std::unique_ptr<WebSocketClock::Timer> m_heartbeatTimer;
    std::unique_ptr<WebSocketClock::Timer> m_reconnectTimer;
    qint64 m_lastPongTime;
    double m_reconnectDelay = 3.0;
    bool m_intentionalDisconnect = false;
    qint64 m_connectionGeneration = 0;
    // The generation of the current socket.
    qint64 m_socketGeneration = 0;
    std::optional<qint64> m_currentUserId;

    SessionRenewer m_renewer;
    // Pings written for the current socket whose pong has not come yet.
    int m_unansweredPings = 0;
    // The server accepted "auth" on the current socket.
    bool m_authenticated = false;
    // The current socket was refused with "AUTH_FAILED".
    bool m_refusedOnThisSocket = false;
    // The stored token was refused; the next attempt renews it first.
    bool m_tokenRefused = false;
    // A renewal happened and no connection was accepted since: a second refusal waits for the back-off.
    bool m_renewedWithoutAuth = false;
    // A connect() for the same user came while a connection was under way: it runs once
    // that one has taken over, or when this timer fires.
    std::unique_ptr<WebSocketClock::Timer> m_connectWhenTakenOver;

    ChannelOutbox m_outbox;
    ChannelHandover m_handover;
    WebSocketDispatch m_dispatch { *this };
};
