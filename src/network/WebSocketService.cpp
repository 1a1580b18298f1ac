#include "network/WebSocketService.h"

#include "models/Json.h"
#include "models/User.h"
#include "network/APIClient.h"
#include "network/ChannelFrames.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/NetworkConfig.h"
#include "network/RequestLanguage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QThread>
#include <QUrl>
#include <QWebSocket>

#include <algorithm>
#include <utility>

namespace {

const QString authTokenKey = QStringLiteral("auth_token");

// "0.5", "6.0", "12.0": at least one fractional digit.
QString secondsText(double seconds)
{
    QString text = QString::number(seconds, 'g', QLocale::FloatingPointShortest);
    if (!text.contains(u'.'))
        text += QStringLiteral(".0");
    return text;
}

// Closes cleanly when the socket is open, else drops it.
void closeGracefully(QWebSocket* socket, WebSocketClock& clock, QObject* context)
{
    if (socket->state() != QAbstractSocket::ConnectedState) {
        socket->abort();
        return;
    }
    socket->close(QWebSocketProtocol::CloseCodeNormal);
    // The socket is freed when the peer answers the close; a peer that never does
    // would keep it (and its connection) for good, so it is dropped after a while.
    auto grace = std::make_shared<std::unique_ptr<WebSocketClock::Timer>>();
    *grace = clock.startTimer(WebSocketService::closeHandshakeGraceMs, false, [socket = QPointer<QWebSocket>(socket)] {
        if (socket) {
            socket->abort();
            socket->deleteLater();
        }
    });
    QObject::connect(socket, &QObject::destroyed, context, [grace] { grace->reset(); });
}

} // namespace

WebSocketService* WebSocketService::shared()
{
    // Never freed: the channel lives as long as the process.
    static WebSocketService* const instance = [] {
        auto* service = new WebSocketService(NetworkConfig::webSocketUrl(), WebSocketClock::system(),
                                             KeychainService::shared(), ClientIdService::shared());
        // Whichever thread asks first, the channel, its socket and its timers live on
        // the GUI thread, where connect() sends itself.
        if (const QCoreApplication* app = QCoreApplication::instance())
            service->moveToThread(app->thread());
        service->followSession(APIClient::shared());
        return service;
    }();
    return instance;
}

void WebSocketService::followSession(APIClient& api)
{
    // After a token refresh the channel authenticates again, with the new token.
    QObject::connect(&api, &APIClient::sessionRefreshed, this, &WebSocketService::connect);
    setSessionRenewer([&api] { return api.renewSession(); });
}

WebSocketService::WebSocketService(QString address, std::shared_ptr<WebSocketClock> clock, KeychainService& keychain,
                                   ClientIdService& clientIds, QObject* parent)
    : QObject(parent)
    , m_address(std::move(address))
    , m_clock(std::move(clock))
    , m_keychain(keychain)
    , m_clientIds(clientIds)
    , m_lastPongTime(m_clock->nowMs())
    , m_outbox(m_clock, [this](const QString& clientMsgId) { messageFailed(clientMsgId, std::nullopt); })
    , m_handover(m_clock,
                 ChannelHandover::Actions {
                     [](QWebSocket* old, const QString& text) {
                         if (old)
                             channelframe::write(old, text);
                     },
                     [this](QWebSocket* old) {
                         if (old)
                             closeGracefully(old, *m_clock, this);
                     },
                     [this](const QString& text) { sendText(text); },
                     [this](const QString& text) { m_dispatch.handle(text, true); },
                     [this](qint64 oldConnection) {
                         // A message the old connection carried and the server did not answer
                         // on it before it closed goes once more, on the new one, under its
                         // id: the server stores it once either way.
                         m_outbox.connectionLost(oldConnection);
                         sendOutbox();
                         renewIfDue();
                     },
                 })
{
}

WebSocketService::~WebSocketService()
{
    // The sockets go first, while everything their handlers touch still exists.
    const QList<QWebSocket*> sockets = findChildren<QWebSocket*>(Qt::FindDirectChildrenOnly);
    for (QWebSocket* socket : sockets) {
        QObject::disconnect(socket, nullptr, this, nullptr);
        delete socket;
    }
}

void WebSocketService::connect(qint64 userId)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, userId] { connect(userId); }, Qt::QueuedConnection);
        return;
    }

    // A connection whose "auth" went out may already be the one the server writes the
    // user's events on: dropping it before its answer would lose what is on its way. It
    // takes over first (as does the new connection of a handover), then is replaced in turn.
    // A server that never answers does not hold the channel for good, though.
    const bool authenticating = m_webSocket && !m_authenticated && m_webSocket->state() == QAbstractSocket::ConnectedState;
    if (m_currentUserId == userId && m_webSocket && (m_handover.isActive() || authenticating)) {
        if (!m_connectWhenTakenOver) {
            qInfo().noquote() << QStringLiteral("[WS] Authenticating again once the connection under way has taken over");
            m_connectWhenTakenOver = m_clock->startTimer(takeOverWaitMs, false, [this, userId] {
                const auto timer = std::exchange(m_connectWhenTakenOver, nullptr);
                qWarning().noquote() << QStringLiteral("[WS] The connection under way did not take over in time");
                connectNow(userId);
            });
        }
        return;
    }
    connectNow(userId);
}

void WebSocketService::connectNow(qint64 userId)
{
    m_connectWhenTakenOver.reset();
    const qint64 generation = ++m_connectionGeneration;
    m_heartbeatTimer.reset();
    m_reconnectTimer.reset();
    const bool sameUser = m_currentUserId == userId;
    if (m_currentUserId && !sameUser)
        endAccount();
    if (sameUser && m_authenticated && m_webSocket) {
        // Make before break: the accepted socket stays until the new one has taken over.
        if (m_handover.isActive())
            m_handover.finish();
        m_handover.begin(std::exchange(m_webSocket, nullptr), m_socketGeneration, m_unansweredPings);
        m_framesWaitingForOpen.clear();
    } else {
        // A socket being replaced meanwhile stays: it is still the accepted one.
        retireSocket();
    }
    m_authenticated = false;
    m_refusedOnThisSocket = false;
    m_unansweredPings = 0;
    // isConnected stays as it is: a live channel that re-authenticates keeps showing as
    // connected. So do the users online, while a socket that tells of them stays.
    if (!m_handover.isActive())
        setOnlineUsers({});
    m_intentionalDisconnect = false;
    m_currentUserId = userId;

    const QUrl url(m_address, QUrl::StrictMode);
    const bool webSocketScheme = url.scheme() == u"ws" || url.scheme() == u"wss";
    if (!url.isValid() || !webSocketScheme || url.host().isEmpty()) {
        qWarning().noquote() << QStringLiteral("[WS] Invalid URL: ") + m_address;
        return;
    }

    qInfo().noquote() << QStringLiteral("[WS] Connecting to %1 with userId=%2 gen=%3")
                             .arg(url.toString())
                             .arg(userId)
                             .arg(generation);
    openSocket(url, generation, userId);

    // A connection opened with a token renewed after a refusal is no fresh start: should
    // it be refused again, the back-off keeps growing.
    if (!m_renewedWithoutAuth)
        m_reconnectDelay = 3.0;
    m_lastPongTime = m_clock->nowMs();
    startHeartbeat();
}

void WebSocketService::openSocket(const QUrl& url, qint64 generation, qint64 userId)
{
    auto* socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    m_webSocket = socket;
    m_socketGeneration = generation;

    // A frame sent before the handshake completes is lost, so "auth" waits for it.
    QObject::connect(socket, &QWebSocket::connected, this, [this, socket, generation, userId] {
        if (generation != m_connectionGeneration || socket != m_webSocket)
            return;
        sendAuth(userId);
        const QStringList waiting = std::exchange(m_framesWaitingForOpen, {});
        for (const QString& text : waiting)
            channelframe::write(socket, text);
    });
    QObject::connect(socket, &QWebSocket::textMessageReceived, this, [this, socket](const QString& text) {
        receiveFrame(socket, text);
    });
    QObject::connect(socket, &QWebSocket::binaryMessageReceived, this, [this, socket](const QByteArray& bytes) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            receiveFrame(socket, text);
    });

    // A failing socket reports both error() and disconnected(); only the first counts.
    auto failed = std::make_shared<bool>(false);
    auto onFailure = [this, socket, generation, failed] {
        if (std::exchange(*failed, true))
            return;
        socketFailed(socket, generation);
    };
    QObject::connect(socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this, onFailure);
    QObject::connect(socket, &QWebSocket::disconnected, this, onFailure);

    // The upgrade names the interface language, so texts the server writes on this
    // channel are in it.
    QNetworkRequest upgrade(url);
    if (const QByteArray language = RequestLanguage::tag(); !language.isEmpty())
        upgrade.setRawHeader(RequestLanguage::headerName, language);
    socket->open(upgrade);
}

void WebSocketService::socketFailed(QWebSocket* socket, qint64 generation)
{
    socket->deleteLater();
    if (socket == m_handover.oldSocket()) {
        handoverSocketLost();
        return;
    }
    if (generation != m_connectionGeneration)
        return;
    if (m_webSocket == socket)
        m_webSocket = nullptr;
    m_outbox.connectionLost(generation);
    // A killed server leaves the normal code here; only a real close frame says "policy".
    const bool tokenRefused = m_refusedOnThisSocket || socket->closeCode() == QWebSocketProtocol::CloseCodePolicyViolated;
    m_framesWaitingForOpen.clear();
    if (m_handover.phase() == ChannelHandover::Phase::Draining) {
        // Accepted, then lost: the socket it was taking over from is all there is.
        m_authenticated = false;
        m_handover.newLost();
    }
    // Closed without a socket error: Qt's error text would only say "Unknown error".
    const QString reason = socket->error() == QAbstractSocket::UnknownSocketError ? QStringLiteral("the connection was closed")
                                                                                  : socket->errorString();
    qWarning().noquote() << QStringLiteral("[WS] Receive error (gen=%1): %2").arg(generation).arg(reason);
    QMetaObject::invokeMethod(
        this, [this, generation, tokenRefused] { handleDisconnect(generation, tokenRefused); }, Qt::QueuedConnection);
}

void WebSocketService::sendAuth(qint64 userId)
{
    const std::optional<QString> deviceId = m_clientIds.getOrCreateDeviceId();
    if (!deviceId) {
        // Signing in as another device would be worse than waiting: the channel fails
        // and the back-off tries again, when the keychain may answer.
        qWarning().noquote() << QStringLiteral("[WS] Device id unreadable, not signing in on this connection");
        if (m_webSocket)
            m_webSocket->abort();
        return;
    }
    const QJsonObject frame = channelframe::make(QStringLiteral("auth"),
                                        {
                                            { QStringLiteral("token"), m_keychain.loadText(authTokenKey).value_or(QString()) },
                                            { QStringLiteral("userId"), userId },
                                            { QStringLiteral("deviceId"), *deviceId },
                                            { QStringLiteral("deviceType"), QStringLiteral("mac") },
                                        });
    const QString text = channelframe::text(frame);
    qInfo().noquote() << QStringLiteral("[WS] Sending: ") + channelframe::summary(frame, text);
    // On the new socket itself, whichever socket carries the channel meanwhile.
    channelframe::write(m_webSocket, text);
}

void WebSocketService::retireSocket()
{
    QWebSocket* socket = std::exchange(m_webSocket, nullptr);
    m_framesWaitingForOpen.clear();
    m_outbox.connectionLost(m_socketGeneration);
    if (socket)
        closeGracefully(socket, *m_clock, this);
}

void WebSocketService::receiveFrame(const QWebSocket* socket, const QString& text)
{
    if (socket == m_webSocket) {
        if (!m_handover.keepFromNew(text))
            m_dispatch.handle(text, true);
    } else if (socket && socket == m_handover.oldSocket()) {
        m_handover.frameFromOld();
        m_dispatch.handle(text, false);
    }
}

void WebSocketService::dropHandover()
{
    if (!m_handover.isActive())
        return;
    QWebSocket* old = m_handover.oldSocket();
    m_outbox.connectionLost(m_handover.oldConnection());
    // Forgotten first: the socket's failure must not count as a handover's end.
    m_handover.drop();
    if (old) {
        old->abort();
        old->deleteLater();
    }
}

void WebSocketService::handoverSocketLost()
{
    m_outbox.connectionLost(m_handover.oldConnection());
    if (m_handover.oldLost()) {
        // Gone before its successor was accepted: for a while nothing reached this user.
        qWarning().noquote() << QStringLiteral("[WS] The replaced connection closed before the new one was accepted");
        setIsConnected(false);
        setOnlineUsers({});
    }
    sendOutbox();
    renewIfDue();
}

void WebSocketService::renewIfDue()
{
    if (!m_connectWhenTakenOver || m_handover.isActive() || !m_authenticated || !m_webSocket || !m_currentUserId)
        return;
    m_connectWhenTakenOver.reset();
    // Not from inside the handover's own step that ended it.
    const qint64 generation = m_connectionGeneration;
    const qint64 userId = *m_currentUserId;
    QMetaObject::invokeMethod(
        this,
        [this, generation, userId] {
            if (generation == m_connectionGeneration && m_currentUserId == userId && !m_intentionalDisconnect)
                connect(userId);
        },
        Qt::QueuedConnection);
}

void WebSocketService::endAccount()
{
    m_connectWhenTakenOver.reset();
    dropHandover();
    const QStringList abandoned = m_outbox.clear();
    Q_EMIT accountEnded();
    // Nothing waits for a channel that will not carry it.
    for (const QString& clientMsgId : abandoned)
        messageFailed(clientMsgId, std::nullopt);
}

void WebSocketService::disconnect()
{
    m_intentionalDisconnect = true;
    m_heartbeatTimer.reset();
    m_reconnectTimer.reset();
    retireSocket();
    m_authenticated = false;
    m_tokenRefused = false;
    m_renewedWithoutAuth = false;
    setIsConnected(false);
    setOnlineUsers({});
    endAccount();
}

void WebSocketService::startHeartbeat()
{
    m_heartbeatTimer.reset();
    m_lastPongTime = m_clock->nowMs();
    m_heartbeatTimer = m_clock->startTimer(heartbeatIntervalMs, true, [self = QPointer(this)] {
        if (self)
            self->heartbeatTick();
    });
}

void WebSocketService::heartbeatTick()
{
    const qint64 elapsed = m_clock->nowMs() - m_lastPongTime;
    if (elapsed <= pongTimeoutMs) {
        sendPing();
        return;
    }
    qWarning().noquote() << QStringLiteral("[WS] Pong timeout (%1s), reconnecting...").arg(elapsed / 1000);
    // abort(), not close(1006): that code is reserved and must never go on the wire.
    QWebSocket* socket = std::exchange(m_webSocket, nullptr);
    m_outbox.connectionLost(m_socketGeneration);
    if (socket)
        socket->abort();
    dropHandover();
    m_authenticated = false;
    setIsConnected(false);
    scheduleReconnect();
}

void WebSocketService::sendPing()
{
    // Answers are counted per socket: on the one being replaced, the last answer tells
    // that it has brought everything.
    if (m_handover.phase() == ChannelHandover::Phase::Waiting)
        m_handover.pingSentOnOld();
    else
        ++m_unansweredPings;
    sendRaw(channelframe::make(QStringLiteral("ping"), {}));
}

void WebSocketService::handleDisconnect(qint64 generation, bool tokenRefused)
{
    if (generation != m_connectionGeneration)
        return;
    m_authenticated = false;
    // The socket being replaced still carries the channel meanwhile.
    if (!m_handover.isActive())
        setIsConnected(false);
    if (tokenRefused && m_renewer) {
        m_tokenRefused = true;
        // A token renewed a moment ago and refused again waits for the back-off, so that
        // a server that keeps refusing is not asked for a new token at once each time.
        if (!m_renewedWithoutAuth) {
            renewAndReconnect();
            return;
        }
    }
    scheduleReconnect();
}

QCoro::Task<> WebSocketService::renewAndReconnect()
{
    QPointer<WebSocketService> self(this);
    const qint64 generation = m_connectionGeneration;
    m_renewedWithoutAuth = true;
    qInfo().noquote() << QStringLiteral("[WS] Token refused, renewing the session");
    const SessionRenewal outcome = co_await m_renewer();
    // Signed out, or already reconnected with the new token, meanwhile.
    if (!self || generation != m_connectionGeneration || m_intentionalDisconnect)
        co_return;
    switch (outcome) {
    case SessionRenewal::Renewed:
        if (const std::optional<qint64> userId = reconnectUserId()) {
            m_tokenRefused = false;
            connect(*userId);
        }
        break;
    case SessionRenewal::Refused:
        qInfo().noquote() << QStringLiteral("[WS] Session ended by the server, not reconnecting");
        disconnect();
        break;
    case SessionRenewal::Unreachable:
        scheduleReconnect();
        break;
    }
}

void WebSocketService::scheduleReconnect()
{
    if (m_intentionalDisconnect)
        return;
    m_reconnectTimer.reset();
    // The first retry after a fresh connect is quick; later ones back off.
    const double delay = m_reconnectDelay == 3.0 ? 0.5 : m_reconnectDelay;
    qInfo().noquote() << QStringLiteral("[WS] Scheduling reconnect in %1s").arg(secondsText(delay));
    m_reconnectTimer = m_clock->startTimer(qRound64(delay * 1000), false, [self = QPointer(this)] {
        if (self)
            self->reconnectFired();
    });
    m_reconnectDelay = std::min(m_reconnectDelay * 2, 30.0);
}

void WebSocketService::reconnectFired()
{
    // disconnect() also stops this timer; the flag is the rule should a firing slip past it.
    if (m_intentionalDisconnect)
        return;
    if (m_tokenRefused && m_renewer) {
        renewAndReconnect();
        return;
    }
    if (const std::optional<qint64> userId = reconnectUserId())
        connect(*userId);
}

std::optional<qint64> WebSocketService::reconnectUserId() const
{
    // The user connected last; the stored user stands in should none have connected yet.
    if (m_currentUserId)
        return m_currentUserId;
    if (const std::optional<User> cached = m_keychain.getCachedUser())
        return cached->id;
    return std::nullopt;
}

void WebSocketService::sendRaw(const QJsonObject& frame)
{
    const QString text = channelframe::text(frame);
    qInfo().noquote() << QStringLiteral("[WS] Sending: ") + channelframe::summary(frame, text);
    sendText(text);
}

void WebSocketService::send(const WSMessage& message)
{
    sendText(QString::fromUtf8(json::serialize(json::encode(message).toObject())));
}

void WebSocketService::sendText(const QString& text)
{
    switch (m_handover.phase()) {
    case ChannelHandover::Phase::Waiting:
        if (QWebSocket* old = m_handover.oldSocket()) {
            channelframe::write(old, text);
            return;
        }
        break;
    case ChannelHandover::Phase::Draining:
        m_handover.holdOutgoing(text);
        return;
    case ChannelHandover::Phase::None:
        break;
    }
    if (!m_webSocket)
        return;
    const QAbstractSocket::SocketState state = m_webSocket->state();
    if (state == QAbstractSocket::HostLookupState || state == QAbstractSocket::ConnectingState) {
        // Qt would drop a frame sent before the handshake completes; it follows the "auth" frame instead.
        m_framesWaitingForOpen.append(text);
        return;
    }
    channelframe::write(m_webSocket, text);
}

void WebSocketService::sendChatMessage(const QJsonObject& frame)
{
    const QString clientMsgId = frame.value(QLatin1StringView("payload")).toObject().value(QLatin1StringView("clientMsgId")).toString();
    const QString text = channelframe::text(frame);
    m_outbox.add(clientMsgId, text);
    qInfo().noquote() << QStringLiteral("[WS] Sending: ") + channelframe::summary(frame, text);
    sendOutbox();
}

QStringList WebSocketService::unacknowledgedMessages() const
{
    return m_outbox.clientMsgIds();
}

void WebSocketService::sendOutbox()
{
    // Only an accepted socket carries chat messages: before "auth_success" they wait,
    // and while a handover drains they wait for the socket taking over.
    QWebSocket* socket = nullptr;
    qint64 connection = 0;
    if (m_handover.phase() == ChannelHandover::Phase::Waiting) {
        socket = m_handover.oldSocket();
        connection = m_handover.oldConnection();
    } else if (m_handover.phase() == ChannelHandover::Phase::None && m_authenticated) {
        socket = m_webSocket;
        connection = m_socketGeneration;
    }
    if (!socket)
        return;
    const QList<ChannelOutbox::Outgoing> unsent = m_outbox.takeUnsent(connection);
    for (const ChannelOutbox::Outgoing& message : unsent) {
        if (message.again)
            qInfo().noquote() << QStringLiteral("[WS] Sending again: ") + message.clientMsgId;
        channelframe::write(socket, message.text);
    }
}

void WebSocketService::messageFailed(const QString& clientMsgId, const std::optional<QString>& serverReason)
{
    qWarning().noquote() << QStringLiteral("[WS] Message %1 failed: %2")
                                .arg(clientMsgId, serverReason.value_or(QStringLiteral("no acknowledgement")));
    Q_EMIT messageFailedSubject(clientMsgId, serverReason);
}

void WebSocketService::sendDeliveryAck(qint64 messageId)
{
    sendRaw(channelframe::make(QStringLiteral("message_delivered"), { { QStringLiteral("messageId"), messageId } }));
}

void WebSocketService::sendTyping(qint64 conversationId)
{
    sendRaw(channelframe::make(QStringLiteral("typing"), { { QStringLiteral("conversationId"), conversationId } }));
}

void WebSocketService::setIsConnected(bool connected)
{
    m_isConnected = connected;
    Q_EMIT isConnectedChanged(connected);
}

void WebSocketService::setOnlineUsers(QSet<qint64> users)
{
    m_onlineUsers = std::move(users);
    Q_EMIT onlineUsersChanged(m_onlineUsers);
}

void WebSocketService::handleMessage(const QString& text)
{
    m_dispatch.handle(text, true);
}

void WebSocketService::accepted()
{
    qInfo().noquote() << QStringLiteral("[WS] Auth success");
    m_authenticated = true;
    m_tokenRefused = false;
    m_renewedWithoutAuth = false;
    m_handover.newAccepted();
    setIsConnected(true);
    sendOutbox();
    renewIfDue();
    Q_EMIT authenticated();
}

void WebSocketService::pongReceived(bool fromCurrent)
{
    m_lastPongTime = m_clock->nowMs();
    if (fromCurrent)
        m_unansweredPings = std::max(0, m_unansweredPings - 1);
    else
        m_handover.pongFromOld();
}

void WebSocketService::authenticationRefused()
{
    if (m_authenticated)
        return;
    // Whether or not the server closes the socket, this token will not do.
    m_refusedOnThisSocket = true;
    if (m_webSocket)
        m_webSocket->abort();
}

void WebSocketService::messageAnswered(const QString& clientMsgId, const std::optional<QString>& refusal)
{
    // An acknowledgement is published also for a message that failed meanwhile (the
    // server has it after all); a refusal only for one still waiting.
    if (m_outbox.remove(clientMsgId) && refusal)
        messageFailed(clientMsgId, refusal);
}

void WebSocketService::setUserOnline(qint64 userId, bool online)
{
    QSet<qint64> users = m_onlineUsers;
    if (online)
        users.insert(userId);
    else
        users.remove(userId);
    setOnlineUsers(std::move(users));
}
