// The channel's connection life: authentication, heartbeat, pong time-out,
// reconnection and its back-off, against an in-process WebSocket server.

#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketService.h"

#include "WebSocketLogCapture.h"
#include "WebSocketManualClock.h"
#include "WebSocketTestServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocketProtocol>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A server, a store of its own and a channel whose clock the test moves.
struct Channel {
    explicit Channel(std::shared_ptr<WebSocketClock> withClock = nullptr)
    {
        if (!server.listen())
            qFatal("cannot listen on loopback");
        clock = withClock ? std::move(withClock) : manualClock;
        service = std::make_unique<WebSocketService>(server.url(), clock, keychain, clientIds);
    }

    // Connects and waits for the server's "auth_success".
    bool connectAndAuthenticate(qint64 userId)
    {
        service->connect(userId);
        return QTest::qWaitFor([this] { return service->isConnected(); }, 5000);
    }

    WebSocketTestServer server;
    std::shared_ptr<WebSocketManualClock> manualClock = std::make_shared<WebSocketManualClock>();
    std::shared_ptr<WebSocketClock> clock;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    ClientIdService clientIds { keychain };
    std::unique_ptr<WebSocketService> service;
};

QJsonObject payloadOf(const QJsonObject& frame)
{
    return frame.value("payload"_L1).toObject();
}

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
        const QJsonObject payload = payloadOf(auths.first());
        QCOMPARE(payload.keys(), (QStringList { u"deviceId"_s, u"deviceType"_s, u"token"_s, u"userId"_s }));
        QCOMPARE(payload.value("token"_L1), QJsonValue(storedToken.isNull() ? QString(u""_s) : storedToken));
        QCOMPARE(payload.value("userId"_L1), QJsonValue(42));
        QCOMPARE(payload.value("deviceId"_L1).toString(), channel.clientIds.getOrCreateDeviceId());
        QCOMPARE(payload.value("deviceType"_L1), QJsonValue(u"mac"_s));

        // The frame is logged, its token never.
        const QStringList sent = log.linesStartingWith(u"[WS] Sending: "_s);
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent.first().contains(u"\"token\":\"***\""_s));
        if (!storedToken.isNull())
            QVERIFY(!log.lines().join(u'\n').contains(storedToken));
        QCOMPARE(log.linesStartingWith(u"[WS] Connecting to "_s),
                 QStringList { u"[WS] Connecting to %1 with userId=42 gen=1"_s.arg(channel.server.url()) });
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
        QVERIFY(channel.service->isConnected());

        QTRY_COMPARE(channel.server.connections().size(), 2);
        const auto old = channel.server.connections().first();
        QTRY_VERIFY(!old->open);
        QCOMPARE(old->closeCode, int(QWebSocketProtocol::CloseCodeNormal));
        QVERIFY(!old->droppedWithoutClose);
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 2);
        QCOMPARE(payloadOf(channel.server.framesOfType(u"auth"_s).last()).value("userId"_L1), QJsonValue(2));

        // The old socket's end belongs to an older generation: nothing reacts to it.
        QTRY_COMPARE(connectedChanges.size(), 1); // the new "auth_success"
        QVERIFY(channel.service->isConnected());
        QVERIFY(log.linesStartingWith(u"[WS] Receive error"_s).isEmpty());
        QVERIFY(channel.manualClock->armedOneShots().isEmpty());
    }

    void refusedConnectionRetriesAfterHalfASecond()
    {
        WebSocketLogCapture log;
        Channel channel;
        channel.server.kill();

        channel.service->connect(7);
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect in "_s).size(), 1);
        channel.manualClock->advance(499);
        QCOMPARE(log.linesStartingWith(u"[WS] Connecting to "_s).size(), 1);
        channel.manualClock->advance(1);
        QCOMPARE(log.linesStartingWith(u"[WS] Connecting to "_s).size(), 2);
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect in "_s).size(), 2);

        // Each failure is counted once although the socket reports it twice.
        QTest::qWait(50);
        QCOMPARE(log.linesStartingWith(u"[WS] Scheduling reconnect in "_s),
                 (QStringList { u"[WS] Scheduling reconnect in 0.5s"_s, u"[WS] Scheduling reconnect in 0.5s"_s }));
        QCOMPARE(channel.manualClock->armedOneShots(), QList<qint64> { 500 });
        QVERIFY(!channel.service->isConnected());
    }

    // The last pong before the tick at 90 s came at pongAtMs.
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
        QVERIFY(frames.wait(5000));
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
        QTRY_COMPARE(channel.server.connections().size(), 2);
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 2);
    }

    void disconnectBlocksReconnection()
    {
        WebSocketLogCapture log;
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(4));

        channel.service->disconnect();
        QVERIFY(!channel.service->isConnected());
        QVERIFY(channel.service->intentionalDisconnect());
        const auto connection = channel.server.connections().first();
        QTRY_VERIFY(!connection->open);
        QCOMPARE(connection->closeCode, int(QWebSocketProtocol::CloseCodeNormal));
        QTRY_COMPARE(log.linesStartingWith(u"[WS] Receive error (gen=1): "_s).size(), 1);

        channel.manualClock->advance(120'000);
        QTest::qWait(50);
        QVERIFY(log.linesStartingWith(u"[WS] Scheduling reconnect"_s).isEmpty());
        QCOMPARE(channel.server.connections().size(), 1);
        QVERIFY(channel.manualClock->armedRepeating().isEmpty());
        QVERIFY(!channel.service->isConnected());
    }

    void serverRestartBringsTheChannelBack()
    {
        Channel channel(WebSocketClock::system());
        QVERIFY(channel.connectAndAuthenticate(5));
        const quint16 port = channel.server.port();

        channel.server.kill();
        QTRY_VERIFY(!channel.service->isConnected());
        QTest::qWait(700); // at least one refused attempt while the server is down
        QVERIFY(channel.server.listen(port));

        QTRY_VERIFY_WITH_TIMEOUT(channel.service->isConnected(), 10000);
        const QList<QJsonObject> auths = channel.server.framesOfType(u"auth"_s);
        QCOMPARE(auths.size(), 2);
        QCOMPARE(payloadOf(auths.last()).value("userId"_L1), QJsonValue(5));
    }

    void outgoingFrames_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("typing") << u"typing"_s << QByteArray(R"({"type":"typing","payload":{"conversationId":7}})");
        QTest::newRow("delivery ack") << u"delivered"_s
                                      << QByteArray(R"({"type":"message_delivered","payload":{"messageId":9}})");
        QTest::newRow("read record") << u"read"_s
                                     << QByteArray(R"({"type":"read","payload":{"userId":3,"conversationId":7}})");
        QTest::newRow("record without payload") << u"bare"_s << QByteArray(R"({"type":"sync_init"})");
    }

    void outgoingFrames()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, expected);
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(3));

        if (kind == u"typing") {
            channel.service->sendTyping(7);
        } else if (kind == u"delivered") {
            channel.service->sendDeliveryAck(9);
        } else if (kind == u"read") {
            WSPayload payload;
            payload.userId = 3;
            payload.conversationId = 7;
            channel.service->send(WSMessage { u"read"_s, payload });
        } else {
            channel.service->send(WSMessage { u"sync_init"_s, std::nullopt });
        }

        QTRY_COMPARE(channel.server.connections().first()->frames.size(), 2);
        QCOMPARE(channel.server.connections().first()->frames.last(), QJsonDocument::fromJson(expected).object());
    }

    void sendingWithoutSocket()
    {
        WebSocketLogCapture log;
        Channel channel;
        channel.service->send(WSMessage { u"read"_s, std::nullopt });
        QVERIFY(log.lines().isEmpty());
        channel.service->sendTyping(1);
        QCOMPARE(log.lines(), QStringList { uR"([WS] Sending: {"payload":{"conversationId":1},"type":"typing"})"_s });
    }

    void invalidAddress()
    {
        WebSocketLogCapture log;
        KeychainService keychain { std::make_unique<MemorySecretStore>() };
        ClientIdService clientIds { keychain };
        auto clock = std::make_shared<WebSocketManualClock>();
        WebSocketService service(u"not a websocket address"_s, clock, keychain, clientIds);

        service.connect(1);
        QCOMPARE(log.lines(), QStringList { u"[WS] Invalid URL: not a websocket address"_s });
        QCOMPARE(service.currentUserId(), std::optional<qint64>(1));
        QVERIFY(clock->armedRepeating().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWebSocket)
#include "tst_websocket.moc"
