// The WebSocket channel against an in-process server: authentication, heartbeat,
// reconnection and its back-off, and the events that received frames turn into.
// Reconnection across a real server restart: tst_websocket_server.

#include "network/RequestLanguage.h"
#include "network/APIClient.h"
#include "network/ChannelFrames.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/SessionRenewal.h"
#include "network/WebSocketService.h"

#include "ChannelFixture.h"
#include "PostedEvents.h"
#include "WebSocketLogCapture.h"
#include "WebSocketManualClock.h"
#include "WebSocketTestServer.h"

#include <QScopeGuard>
#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketProtocol>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString str(qint64 v) { return QString::number(v); }
QString str(bool v) { return v ? u"true"_s : u"false"_s; }
QString str(const QString& v) { return u'"' + v + u'"'; }
QString str(const std::optional<QString>& v) { return v ? str(*v) : u"none"_s; }
QString str(const WSMessage& m) { return m.type; }
QString str(QList<qint64> ids)
{
    std::sort(ids.begin(), ids.end());
    QStringList texts;
    for (qint64 id : ids)
        texts.append(str(id));
    return u'[' + texts.join(u',') + u']';
}
QString str(const QSet<qint64>& ids) { return str(QList<qint64>(ids.begin(), ids.end())); }
QString str(const QList<Message>& ms)
{
    QList<qint64> ids;
    for (const Message& m : ms)
        ids.append(m.id);
    return str(ids);
}
QString str(const Message& m)
{
    // A creation time made by the channel itself reads "now".
    const QDateTime created = QDateTime::fromString(m.createdAt.value_or(QString()), Qt::ISODate);
    const bool now = m.createdAt && m.createdAt->size() == 20 && qAbs(created.secsTo(QDateTime::currentDateTimeUtc())) < 60;
    return u"{%1 %2 %3 %4 %5 %6 %7 %8 %9}"_s.arg(str(m.id), str(m.conversationId), str(m.senderId), m.type, str(m.content),
                                                 str(m.status), now ? u"now"_s : str(m.createdAt), str(m.fileName), str(m.senderName));
}

// Every stream and both properties, watched through queued connections as the
// state objects watch them, one line per event in arrival order.
class EventRecorder : public QObject {
public:
    explicit EventRecorder(WebSocketService* service) : m_service(service)
    {
        using S = WebSocketService;
        on(&S::isConnectedChanged, u"isConnected"_s);
        on(&S::onlineUsersChanged, u"onlineUsers"_s);
        on(&S::messageSubject, u"frame"_s);
        on(&S::typingSubject, u"typing"_s);
        on(&S::newMessageSubject, u"newMessage"_s);
        on(&S::readSubject, u"read"_s);
        on(&S::reactionSubject, u"reaction"_s);
        on(&S::callSubject, u"call"_s);
        on(&S::friendRequestSubject, u"friendRequest"_s);
        on(&S::presenceSubject, u"presence"_s);
        on(&S::revokeSubject, u"revoke"_s);
        on(&S::editSubject, u"edit"_s);
        on(&S::messageAckSubject, u"ack"_s);
        on(&S::syncResponseSubject, u"syncResponse"_s);
        on(&S::messagePinnedSubject, u"pinned"_s);
        on(&S::messageUnpinnedSubject, u"unpinned"_s);
        on(&S::messageEditedSubject, u"edited"_s);
        on(&S::muteAckSubject, u"muteAck"_s);
    }

    QStringList events;

private:
    template <typename... Args>
    void on(void (WebSocketService::*signal)(Args...), QString name)
    {
        connect(m_service, signal, this, [this, name](Args... args) {
            QStringList parts { name };
            (parts.append(str(args)), ...);
            events.append(parts.join(u' '));
        }, Qt::QueuedConnection);
    }

    WebSocketService* m_service;
};

// A clock whose one-shot timers never fire (so no reconnection happens) and whose
// repeating timer (the heartbeat) ticks when the test says.
class HeldReconnectClock final : public WebSocketClock {
public:
    qint64 nowMs() const override { return now; }
    std::unique_ptr<Timer> startTimer(qint64 intervalMs, bool repeating, std::function<void()> action) override
    {
        if (repeating)
            heartbeat = std::move(action);
        else
            oneShots.append(intervalMs);
        return std::make_unique<Timer>();
    }
    qint64 now = 0;
    std::function<void()> heartbeat;
    QList<qint64> oneShots;
};

// A WebSocket peer that completes the opening handshake and then hangs: it reads
// nothing more, so a close frame stuck behind a large frame never reaches it.
class SilentPeer : public QObject {
public:
    SilentPeer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->readAll();
                const qsizetype at = request.indexOf("Sec-WebSocket-Key: ");
                if (at < 0)
                    return;
                socket->disconnect(this);
                socket->setReadBufferSize(1);
                const QByteArray key = request.mid(at + 19, request.indexOf("\r\n", at) - at - 19);
                const QByteArray accept = QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11", QCryptographicHash::Sha1).toBase64();
                socket->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Accept: " + accept + "\r\n\r\n");
                ++handshakes;
            });
        });
    }
    QString url() const { return u"ws://127.0.0.1:%1/ws"_s.arg(m_server.serverPort()); }
    // Cuts every connection, as a network that drops them would.
    void dropAll()
    {
        for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>())
            socket->abort();
    }
    int handshakes = 0;

private:
    QTcpServer m_server;
};

} // namespace

class TestWebSocket : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void authFrame_data()
    {
        QTest::addColumn<QString>("storedToken");
        QTest::newRow("no token stored") << QString();
        QTest::newRow("token stored") << u"secret-token-1"_s;
    }
    void authFrame()
    {
        QFETCH(QString, storedToken);
        WebSocketLogCapture log;
        Channel channel;
        if (!storedToken.isNull())
            channel.keychain.saveText(storedToken, u"auth_token"_s);

        QVERIFY(channel.connectAndAuthenticate(42));

        const QList<QJsonObject> auths = channel.server.framesOfType(u"auth"_s);
        QCOMPARE(auths.size(), 1);
        QCOMPARE(payloadOf(auths.first()), (QJsonObject { { u"deviceId"_s, *channel.clientIds.getOrCreateDeviceId() }, { u"deviceType"_s, u"mac"_s },
                                                         { u"token"_s, storedToken.isNull() ? u""_s : storedToken }, { u"userId"_s, 42 } }));

        // The frame is logged by type, ids and size; its token never.
        const QStringList sent = log.linesStartingWith(u"[WS] Sending: "_s);
        QCOMPARE(sent.size(), 1);
        QVERIFY2(sent.first().startsWith(u"[WS] Sending: auth userId=42 ("_s), qPrintable(sent.first()));
        if (!storedToken.isNull())
            QVERIFY(!log.lines().join(u'\n').contains(storedToken));
        QCOMPARE(log.linesStartingWith(u"[WS] Connecting to "_s),
                 QStringList { u"[WS] Connecting to %1 with userId=42 gen=1"_s.arg(channel.server.url()) });
    }

    // Whatever the channel sends, and however it fares, the log names frames by their
    // type, ids and size: the text of a message never appears in it.
    void logHoldsNoMessageText()
    {
        const QString words = u"the words of a private message 私信"_s;
        WebSocketLogCapture log;
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(42));
        channel.service->sendChatMessage(chatFrame(u"c1"_s, words));
        channel.server.sendToAll(R"({"type":"error","payload":{"code":"FORBIDDEN","reason":"refused","clientMsgId":"c1"}})");
        channel.service->sendChatMessage(chatFrame(u"c2"_s, words));
        QTRY_COMPARE(clientIdsSent(channel.server), (QStringList { u"c1"_s, u"c2"_s }));
        channel.server.kill();
        QTRY_VERIFY(!channel.service->isConnected());
        QVERIFY(channel.server.listen(channel.server.port()));
        channel.manualClock->advance(500);
        QTRY_VERIFY(channel.service->isConnected());
        QTRY_COMPARE(clientIdsSent(channel.server), (QStringList { u"c1"_s, u"c2"_s, u"c2"_s }));
        channel.manualClock->advance(WebSocketService::ackTimeoutMs);

        const QStringList lines = log.lines();
        QVERIFY(!lines.join(u'\n').contains(u"private message"_s));
        QCOMPARE(log.linesStartingWith(u"[WS] Sending: message_send clientMsgId=c1 conversationId=3 ("_s).size(), 1);
        QCOMPARE(log.linesStartingWith(u"[WS] Sending again: c2"_s).size(), 1);
        QCOMPARE(log.linesStartingWith(u"[WS] Message c1 failed: refused"_s).size(), 1);
        QCOMPARE(log.linesStartingWith(u"[WS] Message c2 failed: no acknowledgement"_s).size(), 1);

        // Every frame above went out: no send failure. One that cannot go out is logged
        // as a failure, again without its text.
        QVERIFY(log.linesStartingWith(u"[WS] Send error: "_s).isEmpty());
        QWebSocket unopened;
        channelframe::write(&unopened, channelframe::text(chatFrame(u"c3"_s, words)));
        const QStringList failures = log.linesStartingWith(u"[WS] Send error: "_s);
        QCOMPARE(failures.size(), 1);
        QVERIFY(failures.first().size() > u"[WS] Send error: "_s.size());
        QVERIFY(!log.lines().join(u'\n').contains(u"private message"_s));
    }

    // Texts the server writes on the channel are in the language its upgrade named.
    void upgradeNamesTheLanguage_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::newRow("none yet") << QByteArray();
        QTest::newRow("en") << QByteArray("en");
    }
    void upgradeNamesTheLanguage()
    {
        QFETCH(QByteArray, language);
        RequestLanguage::set(language);
        const auto reset = qScopeGuard([] { RequestLanguage::set({}); });
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(42));
        QCOMPARE(channel.server.connections().size(), 1);
        QCOMPARE(channel.server.connections().first()->socket->request().rawHeader("Accept-Language"), language);
    }

    // A socket replaced on reconnect is freed even when the peer never answers its close.
    void replacedSocketIsFreedWithoutTheCloseAnswer()
    {
        SilentPeer peer;
        auto clock = std::make_shared<WebSocketManualClock>();
        KeychainService keychain { std::make_unique<MemorySecretStore>() };
        ClientIdService ids { keychain };
        WebSocketService service(peer.url(), clock, keychain, ids);
        auto sockets = [&service] { return service.findChildren<QWebSocket*>().size(); };

        service.connect(5);
        QTRY_COMPARE(peer.handshakes, 1);
        QTRY_COMPARE(service.findChildren<QWebSocket*>().value(0)->state(), QAbstractSocket::ConnectedState);
        WSMessage large;
        large.type = u"message_send"_s;
        large.payload = WSPayload {};
        large.payload->content = QString(32 * 1024 * 1024, u'x');
        service.send(large);
        service.connect(5);
        // The first connection's "auth" is out: it gets a while to be answered first.
        clock->advance(WebSocketService::takeOverWaitMs);
        QTRY_COMPARE(peer.handshakes, 2);
        QVERIFY(testsupport::postedEventsHandled());
        QCOMPARE(sockets(), 2); // the old one still waits for the answer to its close
        // A peer across a slow network gets a second at least to answer it.
        clock->advance(1000);
        QVERIFY(testsupport::postedEventsHandled());
        QCOMPARE(sockets(), 2);
        clock->advance(WebSocketService::closeHandshakeGraceMs);
        QTRY_COMPARE(sockets(), 1);
    }

    // A connection asked for while another is authenticating waits for it; if that one
    // drops and the channel reconnects meanwhile, the wait is over: nothing reconnects
    // again when it would have ended.
    void reconnectEndsTheWaitForATakeOver()
    {
        WebSocketLogCapture log;
        SilentPeer peer;
        auto clock = std::make_shared<WebSocketManualClock>();
        KeychainService keychain { std::make_unique<MemorySecretStore>() };
        ClientIdService ids { keychain };
        WebSocketService service(peer.url(), clock, keychain, ids);
        service.connect(5);
        QTRY_COMPARE(peer.handshakes, 1);
        QTRY_COMPARE(service.findChildren<QWebSocket*>().value(0)->state(), QAbstractSocket::ConnectedState);
        service.connect(5);
        QCOMPARE(log.linesStartingWith(u"[WS] Authenticating again once"_s).size(), 1);

        peer.dropAll();
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect in "_s).size(), 1);
        clock->advance(500);
        QTRY_COMPARE(peer.handshakes, 2);
        clock->advance(WebSocketService::takeOverWaitMs);
        QVERIFY(testsupport::postedEventsHandled());
        QCOMPARE(log.linesStartingWith(u"[WS] The connection under way did not take over"_s), QStringList());
        QCOMPARE(peer.handshakes, 2);
    }

    // Without the device id the channel does not sign in as another device: it fails
    // and retries, and signs in with the stored id once the keychain answers.
    void unreadableDeviceIdSendsNoAuthFrame()
    {
        WebSocketLogCapture log;
        Channel channel;
        auto& store = static_cast<MemorySecretStore&>(channel.keychain.store());
        store.write(ClientIdService::deviceIdKey, "mac-stored");
        store.setUnreadable(ClientIdService::deviceIdKey);
        channel.service->connect(42);
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect in "_s), QStringList { u"[WS] Scheduling reconnect in 0.5s"_s });
        QVERIFY(channel.server.framesOfType(u"auth"_s).isEmpty());
        QCOMPARE(log.linesStartingWith(u"[WS] Device id unreadable"_s),
                 QStringList { u"[WS] Device id unreadable, not signing in on this connection"_s });

        store.setUnreadable({});
        channel.manualClock->advance(500);
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 1);
        QCOMPARE(payloadOf(channel.server.framesOfType(u"auth"_s).first()).value("deviceId"_L1), QJsonValue(u"mac-stored"_s));
    }

    void reconnectOnLiveChannel()
    {
        WebSocketLogCapture log;
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(1));
        channel.server.sendToAll(R"({"type":"online","payload":{"userId":5}})");
        QTRY_COMPARE(channel.service->onlineUsers(), QSet<qint64> { 5 });

        QSignalSpy connectedChanges(channel.service.get(), &WebSocketService::isConnectedChanged);
        channel.service->connect(2);
        QVERIFY(channel.service->onlineUsers().isEmpty());

        QTRY_COMPARE(channel.server.connections().size(), 2);
        const auto old = channel.server.connections().first();
        QTRY_VERIFY(!old->open);
        QCOMPARE(old->closeCode, int(QWebSocketProtocol::CloseCodeNormal));
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 2);

        // The old socket's end belongs to an older generation: nothing reacts to it.
        QTRY_COMPARE(connectedChanges.size(), 1); // the new "auth_success"
        QVERIFY(channel.service->isConnected());
        QVERIFY(log.linesStartingWith(u"[WS] Receive error"_s).isEmpty());
        QVERIFY(channel.manualClock->armedOneShots().isEmpty());
    }

    // Chat messages, unlike other frames, wait for "auth_success": only an accepted
    // socket's acknowledgements settle them.
    void framesSentWhileOpeningFollowTheAuthFrame()
    {
        Channel channel;
        channel.server.setAnswering(false);
        channel.service->connect(8);
        channel.service->sendTyping(3);
        channel.service->send(WSMessage { u"read"_s, std::nullopt });
        channel.service->sendChatMessage(chatFrame(u"c1"_s));

        QTRY_COMPARE(channel.server.connections().size(), 1);
        const auto& frames = channel.server.connections().first()->frames;
        QTRY_COMPARE(frames.size(), 3);
        QCOMPARE(typesOf(frames), (QStringList { u"auth"_s, u"typing"_s, u"read"_s }));
        // On the open socket too, until it is accepted.
        channel.service->sendChatMessage(chatFrame(u"c2"_s));
        channel.service->sendTyping(4);
        QTRY_COMPARE(frames.size(), 4);
        QCOMPARE(typesOf(frames), (QStringList { u"auth"_s, u"typing"_s, u"read"_s, u"typing"_s }));

        channel.server.sendToAll(R"({"type":"auth_success","payload":{"userId":8}})");
        QTRY_COMPARE(clientIdsSent(channel.server), (QStringList { u"c1"_s, u"c2"_s }));
    }

    void refusedConnectionRetriesAfterHalfASecond()
    {
        WebSocketLogCapture log;
        Channel channel;
        // A server out of reach says nothing of the token: it is tried again, not renewed.
        FakeRenewal renewal { SessionRenewal::Renewed };
        channel.service->setSessionRenewer([&] { return renewWith(&renewal, &channel.keychain); });
        channel.server.kill();

        channel.service->connect(7);
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect in "_s).size(), 1);
        channel.manualClock->advance(499);
        QCOMPARE(log.linesStartingWith(u"[WS] Connecting to "_s).size(), 1);
        channel.manualClock->advance(1);
        QCOMPARE(log.linesStartingWith(u"[WS] Connecting to "_s).size(), 2);
        QCOMPARE(renewal.calls, 0);
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect in "_s).size(), 2);

        // The socket reports each failure twice; it counts once, and every fresh socket retries quickly.
        QVERIFY(testsupport::postedEventsHandled());
        QCOMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect in "_s),
                 (QStringList { u"[WS] Scheduling reconnect in 0.5s"_s, u"[WS] Scheduling reconnect in 0.5s"_s }));
        QCOMPARE(channel.manualClock->armedOneShots(), QList<qint64> { 500 });
    }

    // Schedules without a connect between them back off up to 30 s, never beyond.
    void reconnectDelayIsCappedAt30Seconds()
    {
        WebSocketTestServer server;
        QVERIFY(server.listen());
        server.kill();
        auto clock = std::make_shared<HeldReconnectClock>();
        KeychainService keychain { std::make_unique<MemorySecretStore>() };
        ClientIdService ids { keychain };
        WebSocketService service(server.url(), clock, keychain, ids);
        service.connect(7);
        QTRY_COMPARE(clock->oneShots.size(), 1);
        for (int tick = 0; tick < 5; ++tick) {
            clock->now += 80'000; // no pong for more than 75 s at every tick
            clock->heartbeat();
        }
        QCOMPARE(clock->oneShots, (QList<qint64> { 500, 6000, 12000, 24000, 30000, 30000 }));
    }

    // The last pong before the heartbeat tick at 90 s came at pongAtMs.
    void pongTimeout_data()
    {
        QTest::addColumn<qint64>("pongAtMs");
        QTest::addColumn<bool>("timesOut");
        QTest::newRow("75.0 s: still alive") << qint64(15'000) << false;
        QTest::newRow("75.1 s: dead") << qint64(14'900) << true;
    }

    void pongTimeout()
    {
        QFETCH(qint64, pongAtMs);
        QFETCH(bool, timesOut);
        WebSocketLogCapture log;
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(3));
        channel.server.setAnswering(false);
        QSignalSpy frames(channel.service.get(), &WebSocketService::messageSubject);

        channel.manualClock->advance(pongAtMs);
        channel.server.sendToAll(R"({"type":"pong","payload":{}})");
        QVERIFY(frames.wait(testsupport::kPatienceMs));
        channel.manualClock->advance(90'000 - pongAtMs);

        const auto connection = channel.server.connections().first();
        if (!timesOut) {
            QTRY_COMPARE(channel.server.framesOfType(u"ping"_s).size(), 3);
            QVERIFY(channel.service->isConnected());
            QVERIFY(connection->open);
            return;
        }
        QCOMPARE(channel.server.framesOfType(u"ping"_s).size(), 0);
        QCOMPARE(log.linesStartingWith(u"[WS] Pong timeout"_s), QStringList { u"[WS] Pong timeout (75s), reconnecting..."_s });
        QVERIFY(!channel.service->isConnected());
        QTRY_VERIFY(!connection->open);
        // Dropped, not closed with the reserved code 1006.
        QVERIFY(connection->droppedWithoutClose);
        QVERIFY(connection->closeCode != int(QWebSocketProtocol::CloseCodeAbnormalDisconnection));

        // The dropped socket's own failure is a second schedule before any connect: it backs off.
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect in "_s),
                     (QStringList { u"[WS] Scheduling reconnect in 0.5s"_s, u"[WS] Scheduling reconnect in 6.0s"_s }));
        QCOMPARE(channel.manualClock->armedOneShots(), QList<qint64> { 6000 });
        channel.manualClock->advance(6000);
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 2);
    }

    // A refused token is never offered again: the session is renewed first. A renewed
    // session reconnects at once with the new token; a refused renewal ends the channel
    // for good; a renewal without an answer waits for the back-off and renews again.
    void refusedTokenIsRenewedNotReused_data()
    {
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("answer");
        QTest::newRow("auth refused, renewed") << u"auth"_s << int(SessionRenewal::Renewed);
        QTest::newRow("auth refused, session over") << u"auth"_s << int(SessionRenewal::Refused);
        QTest::newRow("auth refused, no answer") << u"auth"_s << int(SessionRenewal::Unreachable);
        // The refusal alone: the server leaves the socket open, the client lets it go.
        QTest::newRow("auth refused on a socket left open, renewed") << u"auth, left open"_s << int(SessionRenewal::Renewed);
        QTest::newRow("expired on an open channel, renewed") << u"open channel"_s << int(SessionRenewal::Renewed);
        QTest::newRow("expired on an open channel, session over") << u"open channel"_s << int(SessionRenewal::Refused);
    }
    void refusedTokenIsRenewedNotReused()
    {
        QFETCH(QString, refusal);
        QFETCH(int, answer);
        WebSocketLogCapture log;
        Channel channel;
        FakeRenewal renewal { SessionRenewal(answer) };
        channel.service->setSessionRenewer([&] { return renewWith(&renewal, &channel.keychain); });
        channel.keychain.saveText(u"old-token"_s, u"auth_token"_s);
        if (refusal == u"auth") {
            channel.server.setRefusedTokens({ u"old-token"_s });
            channel.service->connect(5);
        } else if (refusal == u"auth, left open") {
            channel.server.setAnswering(false);
            channel.service->connect(5);
            QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 1);
            channel.server.setAnswering(true);
            WebSocketTestServer::Connection& first = *channel.server.connections().at(0);
            first.socket->sendTextMessage(u"{\"type\":\"error\",\"payload\":{\"code\":\"AUTH_FAILED\"}}"_s);
            QTRY_VERIFY(!first.open);
        } else {
            QVERIFY(channel.connectAndAuthenticate(5));
            channel.server.setRefusedTokens({ u"old-token"_s });
            channel.server.closeAll(QWebSocketProtocol::CloseCodePolicyViolated);
        }
        QTRY_COMPARE(renewal.calls, 1);

        if (SessionRenewal(answer) == SessionRenewal::Renewed) {
            QTRY_VERIFY(channel.service->isConnected());
            const QList<QJsonObject> auths = channel.server.framesOfType(u"auth"_s);
            QCOMPARE(auths.size(), 2);
            QCOMPARE(payloadOf(auths.last()).value("token"_L1), QJsonValue(u"renewed-1"_s));
            QVERIFY(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).isEmpty());
        } else if (SessionRenewal(answer) == SessionRenewal::Refused) {
            QVERIFY(channel.service->intentionalDisconnect());
            const qsizetype attempts = log.linesStartingWith(u"[WS] Connecting to "_s).size();
            channel.manualClock->advance(120'000);
            // A connection is attempted (and logged) as its timer falls due, or through the event queue.
            QVERIFY(testsupport::postedEventsHandled());
            QCOMPARE(log.linesStartingWith(u"[WS] Connecting to "_s).size(), attempts);
            QCOMPARE(channel.server.framesOfType(u"auth"_s).size(), 1);
            QCOMPARE(renewal.calls, 1);
        } else {
            QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).size(), 1);
            const qsizetype attempts = log.linesStartingWith(u"[WS] Connecting to "_s).size();
            channel.manualClock->advance(500);
            QTRY_COMPARE(renewal.calls, 2);
            QVERIFY(testsupport::postedEventsHandled());
            // Still the refused token: no connection was opened to send it again.
            QCOMPARE(log.linesStartingWith(u"[WS] Connecting to "_s).size(), attempts);
            QCOMPARE(channel.server.framesOfType(u"auth"_s).size(), 1);
            QVERIFY(!channel.service->isConnected());
        }
    }

    // A renewed token refused again at once is not renewed again at once: the next
    // renewal waits for the back-off, so a server that keeps refusing is not flooded.
    void tokenRefusedAfterRenewalWaitsForTheBackOff()
    {
        WebSocketLogCapture log;
        Channel channel;
        FakeRenewal renewal;
        channel.service->setSessionRenewer([&] { return renewWith(&renewal, &channel.keychain); });
        channel.keychain.saveText(u"old-token"_s, u"auth_token"_s);
        channel.server.setRefusedTokens({ u"old-token"_s, u"renewed-1"_s, u"renewed-2"_s });
        channel.service->connect(5);
        QTRY_COMPARE(renewal.calls, 1);
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).size(), 1);
        QCOMPARE(renewal.calls, 1);
        channel.manualClock->advance(500);
        QTRY_COMPARE(renewal.calls, 2);
        // Refused once more: the connection made with a renewed token did not start the back-off afresh.
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).size(), 2);
        QCOMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).last(), u"[WS] Scheduling reconnect in 6.0s"_s);
        channel.manualClock->advance(5999);
        QCOMPARE(renewal.calls, 2);
        channel.manualClock->advance(1);
        QTRY_COMPARE(renewal.calls, 3);
        QTRY_VERIFY(channel.service->isConnected());
        QCOMPARE(payloadOf(channel.server.framesOfType(u"auth"_s).last()).value("token"_L1), QJsonValue(u"renewed-3"_s));
    }

    // Frames may come as binary messages too: read as UTF-8 text, and left alone when
    // their bytes are not UTF-8 (not read with the bad bytes replaced).
    void binaryFramesAreReadAsText()
    {
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(1));
        QWebSocket* peer = channel.server.connections().first()->socket;
        peer->sendBinaryMessage(QByteArray(R"({"type":"online","payload":{"userId":5,"name":"张"}})"));
        QTRY_COMPARE(channel.service->onlineUsers(), QSet<qint64> { 5 });
        peer->sendBinaryMessage(QByteArray("{\"type\":\"online\",\"payload\":{\"userId\":6,\"name\":\"\xff\"}}"));
        channel.server.sendToAll(R"({"type":"online","payload":{"userId":7}})");
        QTRY_COMPARE(channel.service->onlineUsers(), (QSet<qint64> { 5, 7 }));
    }

    // Once accepted, a refusal of authentication on the same socket changes nothing:
    // the channel stays, and so does its socket.
    void refusalAfterAcceptanceKeepsTheChannel()
    {
        WebSocketLogCapture log;
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(1));
        channel.server.sendToAll(R"({"type":"error","payload":{"code":"AUTH_FAILED"}})");
        channel.server.sendToAll(R"({"type":"online","payload":{"userId":5}})");
        QTRY_COMPARE(channel.service->onlineUsers(), QSet<qint64> { 5 });
        QVERIFY(testsupport::postedEventsHandled());
        QVERIFY(channel.service->isConnected());
        QVERIFY(channel.server.connections().first()->open);
        QVERIFY(log.linesStartingWith(u"[WS] Receive error"_s).isEmpty());
    }

    // Asked from another thread, the channel connects on its own thread.
    void connectFromAnotherThread()
    {
        Channel channel;
        std::unique_ptr<QThread> thread(QThread::create([&channel] { channel.service->connect(3); }));
        thread->start();
        QVERIFY(thread->wait(QDeadlineTimer(testsupport::kPatienceMs)));
        QTRY_VERIFY(channel.service->isConnected());
        const QList<QWebSocket*> sockets = channel.service->findChildren<QWebSocket*>();
        QCOMPARE(sockets.size(), 1);
        QCOMPARE(sockets.first()->thread(), channel.service->thread());
        QCOMPARE(payloadOf(channel.server.framesOfType(u"auth"_s).value(0)).value("userId"_L1).toInteger(), 3);
    }

    // An address that is no WebSocket address of a host opens nothing, says why once,
    // and schedules no retry: retrying could never reach anyone.
    void invalidAddressOpensNothing_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("empty") << QString();
        QTest::newRow("not a WebSocket scheme") << u"http://127.0.0.1:1/ws"_s;
        QTest::newRow("no host") << u"ws:///ws"_s;
        QTest::newRow("not an address") << u"ws://[::1/ws"_s;
    }
    void invalidAddressOpensNothing()
    {
        QFETCH(QString, address);
        WebSocketLogCapture log;
        auto clock = std::make_shared<WebSocketManualClock>();
        KeychainService keychain { std::make_unique<MemorySecretStore>() };
        ClientIdService ids { keychain };
        WebSocketService service(address, clock, keychain, ids);
        service.connect(5);
        clock->advance(120'000);
        QVERIFY(testsupport::postedEventsHandled());
        QCOMPARE(log.linesStartingWith(u"[WS] Invalid URL: "_s), QStringList { u"[WS] Invalid URL: "_s + address });
        QVERIFY(log.linesStartingWith(u"[WS] Connecting to"_s).isEmpty());
        QVERIFY(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).isEmpty());
        QVERIFY(service.findChildren<QWebSocket*>().isEmpty());
        QVERIFY(!service.isConnected());
    }

    void disconnectBlocksReconnection()
    {
        WebSocketLogCapture log;
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(4));
        channel.server.sendToAll(R"({"type":"online","payload":{"userId":5}})");
        QTRY_COMPARE(channel.service->onlineUsers(), QSet<qint64> { 5 });
        QSignalSpy onlineChanges(channel.service.get(), &WebSocketService::onlineUsersChanged);

        channel.service->disconnect();
        // Nobody is shown online to a signed-out program.
        QVERIFY(channel.service->onlineUsers().isEmpty());
        QCOMPARE(onlineChanges.size(), 1);
        const auto connection = channel.server.connections().first();
        QTRY_VERIFY(!connection->open);
        QCOMPARE(connection->closeCode, int(QWebSocketProtocol::CloseCodeNormal));
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Receive error (gen=1): "_s).size(), 1);

        const qsizetype attempts = log.linesStartingWith(u"[WS] Connecting to "_s).size();
        channel.manualClock->advance(120'000);
        QVERIFY(testsupport::postedEventsHandled());
        QVERIFY(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).isEmpty());
        QCOMPARE(log.linesStartingWith(u"[WS] Connecting to "_s).size(), attempts);
        QCOMPARE(channel.server.connections().size(), 1);
    }

    // Signing out forgets that the last session's token was refused: the next session
    // starts afresh. A drop before its channel is accepted is retried after half a
    // second with its own token (no renewal, no back-off carried over), and a refusal
    // of its token renews at once.
    void signOutForgetsTheRefusal_data()
    {
        QTest::addColumn<bool>("newTokenRefused"); // else the new connection drops before "auth" is answered
        QTest::newRow("new session dropped") << false;
        QTest::newRow("new session's token refused") << true;
    }
    void signOutForgetsTheRefusal()
    {
        QFETCH(bool, newTokenRefused);
        WebSocketLogCapture log;
        Channel channel;
        FakeRenewal renewal { SessionRenewal::Unreachable };
        channel.service->setSessionRenewer([&] { return renewWith(&renewal, &channel.keychain); });
        channel.keychain.saveText(u"old-token"_s, u"auth_token"_s);
        channel.server.setRefusedTokens({ u"old-token"_s, u"new-token"_s });
        channel.service->connect(5);
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).size(), 1);
        QCOMPARE(renewal.calls, 1);

        channel.service->disconnect();
        channel.keychain.saveText(u"new-token"_s, u"auth_token"_s);
        if (!newTokenRefused) {
            channel.server.setRefusedTokens({});
            channel.server.setAnswering(false);
        }
        channel.service->connect(6);
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 2);
        if (newTokenRefused) {
            QTRY_COMPARE(renewal.calls, 2);
            // The renewal got no answer either: the back-off, too, starts afresh.
            QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).size(), 2);
            QCOMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).last(), u"[WS] Scheduling reconnect in 0.5s"_s);
            return;
        }
        channel.server.closeAll(QWebSocketProtocol::CloseCodeNormal);
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).size(), 2);
        QCOMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).last(), u"[WS] Scheduling reconnect in 0.5s"_s);
        channel.server.setAnswering(true);
        channel.manualClock->advance(500);
        QTRY_VERIFY(channel.service->isConnected());
        QCOMPARE(renewal.calls, 1);
        QCOMPARE(payloadOf(channel.server.framesOfType(u"auth"_s).last()).value("token"_L1), QJsonValue(u"new-token"_s));
    }

    void tokenRefreshReconnectsTheSharedChannel()
    {
        WebSocketTestServer server;
        QVERIFY(server.listen());
        qputenv("MORVANE_WS_URL", server.url().toUtf8());
        KeychainService::shared().saveText(u"refreshed-token"_s, u"auth_token"_s);
        WebSocketService* channel = WebSocketService::shared(); // the application makes it at start

        Q_EMIT APIClient::shared().sessionRefreshed(77);

        QTRY_COMPARE(server.framesOfType(u"auth"_s).size(), 1);
        const QJsonObject payload = payloadOf(server.framesOfType(u"auth"_s).first());
        QCOMPARE(payload.value("userId"_L1), QJsonValue(77));
        QCOMPARE(payload.value("token"_L1), QJsonValue(u"refreshed-token"_s));
        channel->disconnect();
    }

    // Each frame, then a marker frame; once the marker is through, so is the frame.
    void dispatch_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<qint64>("acknowledged"); // the id in a "message_delivered" reply, 0 for none
        QTest::addColumn<QString>("logLine");
        auto row = [](const char* name, const char* frame, QStringList events, qint64 ack = 0, QString log = {}) {
            QTest::newRow(name) << QByteArray(frame) << events << ack << log;
        };

        row("auth_success", R"({"type":"auth_success","payload":{}})", { u"frame auth_success"_s, u"isConnected true"_s });
        row("message_ack", R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":12}})",
            { u"frame message_ack"_s, uR"(ack "c1" "s1" 12 false)"_s });
        row("message_ack with a string id",
            R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":"12"}})", {});
        row("message_deliver",
            R"({"type":"message_deliver","payload":{"message":{"id":5,"conversationId":2,"senderId":3,"type":"text","content":"hi"}}})",
            { u"frame message_deliver"_s, uR"(newMessage {5 2 3 text "hi" none none none none})"_s }, 5);
        row("message_deliver that does not read", R"({"type":"message_deliver","payload":{"message":7}})", {});
        row("read_sync is the signed-in user's", R"({"type":"read_sync","payload":{"conversationId":4}})",
            { u"frame read_sync"_s, u"read 4 42"_s });
        row("sync_response defaults", R"({"type":"sync_response","payload":{"messages":[{"id":1,"conversationId":2,"senderId":3,"type":"text"}]}})",
            { u"frame sync_response"_s, u"syncResponse [1] false none"_s });
        row("flat message defaults", R"({"type":"message","payload":{"messageId":5,"conversationId":2,"senderId":3}})",
            { u"frame message"_s, uR"(newMessage {5 2 3 text none "delivered" now none none})"_s });
        row("flat message fields",
            R"({"type":"message","payload":{"messageId":5,"conversationId":2,"senderId":3,"messageType":"file","fileName":"f.txt","senderName":"Ann","createdAt":"2024-05-06T07:08:09Z"}})",
            { u"frame message"_s, uR"(newMessage {5 2 3 file none "delivered" "2024-05-06T07:08:09Z" "f.txt" "Ann"})"_s });
        row("typing without a name", R"({"type":"typing","payload":{"conversationId":2,"userId":3}})",
            { u"frame typing"_s, uR"(typing 2 3 "")"_s });
        row("offline of a user who was not online", R"({"type":"offline","payload":{"userId":9}})",
            { u"frame offline"_s, u"onlineUsers []"_s, u"presence 9 false"_s });
        row("read", R"({"type":"read","payload":{"conversationId":2,"userId":3}})", { u"frame read"_s, u"read 2 3"_s });
        row("read without the reader", R"({"type":"read","payload":{"conversationId":2}})", { u"frame read"_s });
        row("message_edit", R"({"type":"message_edit","payload":{"messageId":1,"conversationId":2,"content":"hi"}})",
            { u"frame message_edit"_s, uR"(edit 1 2 "hi")"_s });
        row("message_edit without the text", R"({"type":"message_edit","payload":{"messageId":1,"conversationId":2}})",
            { u"frame message_edit"_s });
        row("reaction without action", R"({"type":"reaction","payload":{"messageId":1,"userId":3,"emoji":"+1"}})",
            { u"frame reaction"_s });
        row("message_edited", R"({"type":"message_edited","payload":{"messageId":1,"conversationId":2,"newContent":"hi"}})",
            { u"frame message_edited"_s, uR"(edited 1 2 "hi" 0)"_s, uR"(edit 1 2 "hi")"_s });
        // The typed payload reads "message" as a message record, so only the raw row sees this frame.
        row("error without code", R"({"type":"error","payload":{"message":"x"}})", {}, 0, u"[WS] Error from server: UNKNOWN"_s);
        row("call_ prefix", R"({"type":"call_incoming","payload":{"callId":"abc"}})", { u"frame call_incoming"_s, u"call call_incoming"_s });
        row("friend_ prefix", R"({"type":"friend_request_accepted","payload":{}})",
            { u"frame friend_request_accepted"_s, u"friendRequest friend_request_accepted"_s });
        row("unhandled type", R"({"type":"red_packet","payload":{}})", { u"frame red_packet"_s });
        // "userId" fails the typed decoding: raw rows still publish, typed rows do not.
        row("raw row despite a bad typed field", R"({"type":"message_pinned","payload":{"messageId":1,"conversationId":2,"userId":"x"}})",
            { u"pinned 1 2"_s });
        // Every raw row reads its own keys, whatever the typed reading made of the frame.
        row("raw message_ack", R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":12,"isDuplicate":true,"userId":"x"}})",
            { uR"(ack "c1" "s1" 12 true)"_s });
        row("raw message_deliver", R"({"type":"message_deliver","payload":{"message":{"id":5,"conversationId":2,"senderId":3,"type":"text"},"userId":"x"}})",
            { uR"(newMessage {5 2 3 text none none none none none})"_s }, 5);
        row("raw message_read_notify", R"({"type":"message_read_notify","payload":{"conversationId":4,"readBy":8,"userId":"x"}})", { u"read 4 8"_s });
        row("raw read_sync", R"({"type":"read_sync","payload":{"conversationId":4,"userId":"x"}})", { u"read 4 42"_s });
        row("raw message_revoked", R"({"type":"message_revoked","payload":{"messageId":1,"conversationId":2,"userId":"x"}})", { u"revoke 1 2 false"_s });
        row("raw message_revoked by an administrator", R"({"type":"message_revoked","payload":{"messageId":1,"conversationId":2,"removedByAdmin":true,"userId":"x"}})",
            { u"revoke 1 2 true"_s });
        row("raw sync_response", R"({"type":"sync_response","payload":{"messages":[],"hasMore":true,"nextCursor":"n","userId":"x"}})",
            { uR"(syncResponse [] true "n")"_s });
        row("raw error", R"({"type":"error","payload":{"code":"LIMIT","userId":"x"}})", {}, 0, u"[WS] Error from server: LIMIT"_s);
        row("raw message_edited", R"({"type":"message_edited","payload":{"messageId":1,"conversationId":2,"newContent":"hi","editedBy":6,"userId":"x"}})",
            { uR"(edited 1 2 "hi" 6)"_s, uR"(edit 1 2 "hi")"_s });
        row("raw message_unpinned", R"({"type":"message_unpinned","payload":{"messageId":1,"conversationId":2,"userId":"x"}})", { u"unpinned 1 2"_s });
        row("raw mute_ack", R"({"type":"mute_ack","payload":{"conversationId":3,"userId":"x"}})", { u"muteAck 3 true"_s });
        row("raw unmute_ack", R"({"type":"unmute_ack","payload":{"conversationId":3,"userId":"x"}})", { u"muteAck 3 false"_s });
        row("typed row with a bad typed field", R"({"type":"revoke","payload":{"messageId":1,"conversationId":2,"userId":"x"}})", {});
        row("raw row with an empty payload", R"({"type":"mute_ack","payload":{}})", { u"frame mute_ack"_s });
        row("not an object", R"(["message_ack"])", {});
        // The typed and the raw reading refuse it alike.
        row("message_ack with a lone surrogate", R"({"type":"message_ack","payload":{"clientMsgId":"c\ud800","serverMsgId":"s1","messageId":12}})", {});
    }

    // Both readings of a frame agree: a leading byte-order mark is skipped by both.
    void byteOrderMarkBeforeAFrame_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("typing") << u"\uFEFF{\"type\":\"typing\",\"payload\":{\"conversationId\":2,\"userId\":3}}"_s
                                << QStringList { u"frame typing"_s, uR"(typing 2 3 "")"_s };
        QTest::newRow("message_ack") << u"\uFEFF{\"type\":\"message_ack\",\"payload\":{\"clientMsgId\":\"c1\",\"serverMsgId\":\"s1\",\"messageId\":12}}"_s
                                     << QStringList { u"frame message_ack"_s, uR"(ack "c1" "s1" 12 false)"_s };
        QTest::newRow("mark inside") << u"{\"type\":\"typing\",\uFEFF\"payload\":{\"conversationId\":2,\"userId\":3}}"_s << QStringList();
    }
    void byteOrderMarkBeforeAFrame()
    {
        QFETCH(QString, frame);
        QFETCH(QStringList, events);
        Channel channel;
        EventRecorder recorder(channel.service.get());
        channel.service->handleMessage(frame);
        channel.service->handleMessage(uR"({"type":"sync_init","payload":{}})"_s);
        QTRY_VERIFY(recorder.events.contains(u"frame sync_init"_s));
        recorder.events.removeAll(u"frame sync_init"_s);
        QCOMPARE(recorder.events, events);
    }

    void dispatch()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QStringList, events);
        QFETCH(qint64, acknowledged);
        QFETCH(QString, logLine);
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(42));
        EventRecorder recorder(channel.service.get());
        WebSocketLogCapture log;

        channel.server.sendToAll(frame);
        channel.server.sendToAll(R"({"type":"sync_init","payload":{}})");
        QTRY_VERIFY(recorder.events.contains(u"frame sync_init"_s));
        recorder.events.removeAll(u"frame sync_init"_s);
        QCOMPARE(recorder.events, events);
        QCOMPARE(log.linesStartingWith(u"[WS] Error from server: "_s), logLine.isEmpty() ? QStringList() : QStringList { logLine });

        // The channel's own frames arrive in order: after this one, any acknowledgement is in.
        channel.service->sendTyping(1);
        QTRY_COMPARE(channel.server.framesOfType(u"typing"_s).size(), 1);
        const QList<QJsonObject> acks = channel.server.framesOfType(u"message_delivered"_s);
        QCOMPARE(acks.size(), acknowledged ? 1 : 0);
        if (acknowledged)
            QCOMPARE(payloadOf(acks.first()), (QJsonObject { { u"messageId"_s, acknowledged } }));
    }
};

QTEST_GUILESS_MAIN(TestWebSocket)
#include "tst_websocket.moc"
