// A re-authentication of the same user on a live channel: the old connection carries
// the channel until the new one is accepted and the old one has brought everything
// the server wrote on it. The handover alone, then through the channel against an
// in-process server that plays both connections.

#include "network/ChannelHandover.h"

#include "ChannelFixture.h"
#include "WebSocketLogCapture.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>

using namespace Qt::StringLiterals;

namespace {

// Runs a script against a handover on a manual clock; one line per thing it did.
//   begin [UNANSWERED] | accepted | ping (sent on the old connection) | pong | new TEXT |
//   out TEXT | old (a frame on the old connection) | oldLost | newLost | deliver ID | wait MS |
//   drop (the channel gives the handover up) | socket (whether it still names an old socket)
QStringList runHandover(const QStringList& script)
{
    auto clock = std::make_shared<WebSocketManualClock>();
    QWebSocket oldSocket;
    QStringList events;
    ChannelHandover handover(clock,
                             ChannelHandover::Actions {
                                 [&events](QWebSocket*, const QString& text) {
                                     events.append(u"old: "_s + (text.contains(u"\"ping\""_s) ? u"ping"_s : text));
                                 },
                                 [&events](QWebSocket*) { events.append(u"close old"_s); },
                                 [&events](const QString& text) { events.append(u"new: "_s + text); },
                                 [&events](const QString& text) { events.append(u"handle "_s + text); },
                                 [&events](qint64) { events.append(u"finished"_s); },
                             });
    for (const QString& step : script) {
        const QStringList words = step.split(u' ');
        const QString& verb = words.at(0);
        const QString argument = words.value(1);
        if (verb == u"begin") {
            handover.begin(&oldSocket, 1, argument.toInt());
        } else if (verb == u"accepted") {
            handover.newAccepted();
        } else if (verb == u"ping") {
            handover.pingSentOnOld();
        } else if (verb == u"pong") {
            handover.pongFromOld();
        } else if (verb == u"new") {
            if (!handover.keepFromNew(argument))
                events.append(u"at once "_s + argument);
        } else if (verb == u"old") {
            handover.frameFromOld();
        } else if (verb == u"out") {
            handover.holdOutgoing(argument);
        } else if (verb == u"oldLost") {
            if (handover.oldLost())
                events.append(u"gap"_s);
        } else if (verb == u"newLost") {
            handover.newLost();
        } else if (verb == u"deliver") {
            events.append((handover.isRepeatDelivery(argument.toLongLong()) ? u"repeat "_s : u"take "_s) + argument);
        } else if (verb == u"wait") {
            clock->advance(argument.toLongLong());
        } else if (verb == u"drop") {
            handover.drop();
        } else if (verb == u"socket") {
            events.append(handover.oldSocket() ? u"old socket"_s : u"no old socket"_s);
        }
    }
    return events;
}

QString deliverFrame(qint64 id)
{
    return u"{\"type\":\"message_deliver\",\"payload\":{\"message\":{\"id\":%1,\"conversationId\":2,\"senderId\":3,\"type\":\"text\"}}}"_s.arg(id);
}

// The older flat form of a delivery.
QString flatMessageFrame(qint64 id)
{
    return u"{\"type\":\"message\",\"payload\":{\"messageId\":%1,\"conversationId\":2,\"senderId\":3,\"content\":\"x\"}}"_s.arg(id);
}

const QString onlineFrame = u"{\"type\":\"online\",\"payload\":{\"userId\":5}}"_s;
const QString readFrame = u"{\"type\":\"message_read_notify\",\"payload\":{\"conversationId\":2,\"readBy\":5}}"_s;
const QString pongFrame = u"{\"type\":\"pong\",\"payload\":{}}"_s;
const QString authSuccess = u"{\"type\":\"auth_success\",\"payload\":{\"userId\":1}}"_s;

// The server's answer to a chat message it already had.
QString ackFrame(const QString& clientMsgId)
{
    return u"{\"type\":\"message_ack\",\"payload\":{\"clientMsgId\":\"%1\",\"serverMsgId\":\"s-%1\",\"messageId\":12,\"isDuplicate\":true}}"_s.arg(clientMsgId);
}

QList<qint64> deliveredIds(const QSignalSpy& delivered)
{
    QList<qint64> ids;
    for (const QList<QVariant>& signal : delivered)
        ids.append(signal.at(0).value<Message>().id);
    return ids;
}

// A channel of user 1 accepted on its first socket, renewing onto a second one the test
// answers by hand.
struct Renewal {
    Renewal()
    {
        if (!channel.connectAndAuthenticate(1))
            qFatal("the first connection was not accepted");
        // Someone the channel shows as online, which a renewal must not forget.
        channel.server.sendToAll(onlineFrame.toUtf8());
        if (!QTest::qWaitFor([this] { return channel.service->onlineUsers() == QSet<qint64> { 5 }; }, testsupport::kPatienceMs))
            qFatal("the first connection's presence was not taken");
        channel.server.setAnswering(false);
        channel.service->connect(1);
    }
    bool opened() { return QTest::qWaitFor([this] { return channel.server.framesOfType(u"auth"_s).size() == 2; }, testsupport::kPatienceMs); }
    WebSocketTestServer::Connection& old() { return *channel.server.connections().at(0); }
    WebSocketTestServer::Connection& fresh() { return *channel.server.connections().at(1); }

    Channel channel;
};

} // namespace

class TestChannelHandover : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void handover_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("events");
        const auto row = [](const char* name, const char* script, QStringList events) {
            QTest::newRow(name) << QString::fromLatin1(script).split(u';') << events;
        };
        row("before acceptance the new connection's frames are handled at once", "begin;new a",
            { u"at once a"_s });
        row("the old one drains, then the new one takes over in order", "begin;accepted;new a;out t;new b;pong",
            { u"old: ping"_s, u"close old"_s, u"new: t"_s, u"handle a"_s, u"handle b"_s, u"finished"_s });
        row("every ping on the old connection is answered first", "begin;ping;accepted;pong;new a;pong",
            { u"old: ping"_s, u"close old"_s, u"handle a"_s, u"finished"_s });
        row("pings from before the handover too", "begin 1;accepted;pong;new a;pong",
            { u"old: ping"_s, u"close old"_s, u"handle a"_s, u"finished"_s });
        row("an old connection that does not answer is let go", "begin;accepted;new a;wait 2999;new b;wait 1",
            { u"old: ping"_s, u"close old"_s, u"handle a"_s, u"handle b"_s, u"finished"_s });
        row("an old connection still bringing frames is waited for", "begin;accepted;new a;wait 2000;old;wait 2999;new b;wait 1",
            { u"old: ping"_s, u"close old"_s, u"handle a"_s, u"handle b"_s, u"finished"_s });
        row("old one lost before acceptance: a gap", "begin;out t;oldLost;new a", { u"gap"_s, u"at once a"_s });
        row("old one lost while draining: the new one takes over", "begin;accepted;new a;oldLost;new b",
            { u"old: ping"_s, u"close old"_s, u"handle a"_s, u"finished"_s, u"at once b"_s });
        row("old one lost after the handover: no gap", "begin;accepted;pong;oldLost", { u"old: ping"_s, u"close old"_s, u"finished"_s });
        row("new one lost while draining: what waited goes on the old one", "begin;accepted;out t;new a;newLost",
            { u"old: ping"_s, u"old: t"_s, u"close old"_s, u"handle a"_s, u"finished"_s });
        row("the old socket is named until the new one takes over", "socket;begin;socket;accepted;socket;pong;socket",
            { u"no old socket"_s, u"old socket"_s, u"old: ping"_s, u"old socket"_s, u"close old"_s, u"finished"_s, u"no old socket"_s });
        // Given up (the account ended, the channel timed out): nothing of it is sent,
        // handled or closed later, not even by a handover after it.
        row("given up while draining, nothing of it follows", "begin;accepted;out t;new a;drop;socket;wait 3000;begin;accepted;pong",
            { u"old: ping"_s, u"no old socket"_s, u"old: ping"_s, u"close old"_s, u"finished"_s });
        row("given up, the deliveries taken are forgotten", "begin;deliver 5;drop;begin;deliver 5",
            { u"take 5"_s, u"take 5"_s });
        row("a delivery brought twice is taken once", "begin;deliver 5;deliver 5;deliver 6", { u"take 5"_s, u"repeat 5"_s, u"take 6"_s });
        row("outside a handover every delivery counts", "deliver 5;deliver 5", { u"take 5"_s, u"take 5"_s });
        row("copies still on their way after it are known for a while",
            "begin;deliver 5;accepted;pong;deliver 5;deliver 6;deliver 6;wait 3000;deliver 5",
            { u"take 5"_s, u"old: ping"_s, u"close old"_s, u"finished"_s, u"repeat 5"_s, u"take 6"_s, u"take 6"_s, u"take 5"_s });
    }
    void handover()
    {
        QFETCH(QStringList, script);
        QFETCH(QStringList, events);
        QCOMPARE(runHandover(script), events);
    }

    // Through the channel: the old socket carries events both ways until the new one is
    // accepted and the old one has answered its last ping; what the new one brings
    // meanwhile is handled after, in order. Only deliveries are taken once; a genuine
    // repeat of presence or of a read mark is an event of its own. The user never shows
    // as offline.
    void renewalKeepsEveryEvent()
    {
        Renewal renewal;
        QVERIFY(renewal.opened());
        WebSocketService* service = renewal.channel.service.get();
        QSignalSpy delivered(service, &WebSocketService::newMessageSubject);
        QSignalSpy presence(service, &WebSocketService::presenceSubject);
        QSignalSpy reads(service, &WebSocketService::readSubject);
        QSignalSpy connection(service, &WebSocketService::isConnectedChanged);
        renewal.old().socket->sendTextMessage(onlineFrame);
        renewal.old().socket->sendTextMessage(deliverFrame(7));
        QTRY_COMPARE(delivered.size(), 1);

        // Accepted: the client asks the old socket for its last answer.
        renewal.fresh().socket->sendTextMessage(authSuccess);
        QTRY_VERIFY(typesOf(renewal.old().frames).contains(u"ping"_s));
        // The server wrote these on the new socket after it accepted it...
        renewal.fresh().socket->sendTextMessage(deliverFrame(9));
        renewal.fresh().socket->sendTextMessage(onlineFrame);
        renewal.fresh().socket->sendTextMessage(readFrame);
        // ...and this one on the old socket before: it is handled first.
        renewal.old().socket->sendTextMessage(deliverFrame(8));
        QTRY_COMPARE(delivered.size(), 2);
        renewal.old().socket->sendTextMessage(pongFrame);
        QTRY_VERIFY(!renewal.old().open);
        QCOMPARE(renewal.old().closeCode, int(QWebSocketProtocol::CloseCodeNormal));
        QTRY_COMPARE(delivered.size(), 3);
        QTRY_COMPARE(reads.size(), 1);

        // A server writing on both sockets: the copy of a delivery is dropped, the same
        // presence and read frames again are new events.
        renewal.fresh().socket->sendTextMessage(deliverFrame(8));
        renewal.fresh().socket->sendTextMessage(flatMessageFrame(7));
        renewal.fresh().socket->sendTextMessage(onlineFrame);
        renewal.fresh().socket->sendTextMessage(readFrame);
        renewal.fresh().socket->sendTextMessage(flatMessageFrame(11));
        renewal.fresh().socket->sendTextMessage(deliverFrame(10));
        QTRY_COMPARE(delivered.size(), 5);
        QCOMPARE(deliveredIds(delivered), (QList<qint64> { 7, 8, 9, 11, 10 }));
        QCOMPARE(presence.size(), 3);
        QCOMPARE(reads.size(), 2);
        QCOMPARE(service->onlineUsers(), QSet<qint64> { 5 });
        QVERIFY(service->isConnected());
        for (const QList<QVariant>& change : std::as_const(connection))
            QVERIFY(change.at(0).toBool());
        // Each delivery acknowledged once, on the socket that carried the channel then.
        // (what the client wrote while the old socket drained followed on the new one).
        QCOMPARE(typesOf(renewal.old().frames).count(u"message_delivered"_s), 1);
        QTRY_COMPARE(typesOf(renewal.fresh().frames).count(u"message_delivered"_s), 3);
    }

    // A heartbeat ping written on the old socket while the new one authenticates is
    // answered there before the old one is let go, as is the handover's own last ping.
    void heartbeatOnTheOldSocketIsAnsweredFirst()
    {
        Renewal renewal;
        QVERIFY(renewal.opened());
        QSignalSpy delivered(renewal.channel.service.get(), &WebSocketService::newMessageSubject);
        renewal.channel.manualClock->advance(WebSocketService::heartbeatIntervalMs);
        QTRY_COMPARE(typesOf(renewal.old().frames).count(u"ping"_s), 1);
        renewal.fresh().socket->sendTextMessage(authSuccess);
        QTRY_COMPARE(typesOf(renewal.old().frames).count(u"ping"_s), 2);
        renewal.old().socket->sendTextMessage(pongFrame);
        renewal.old().socket->sendTextMessage(deliverFrame(8));
        QTRY_COMPARE(delivered.size(), 1);
        QVERIFY(renewal.old().open);
        renewal.old().socket->sendTextMessage(pongFrame);
        QTRY_VERIFY(!renewal.old().open);
    }

    // A heartbeat the old socket answered before the renewal is not waited for again:
    // the handover's own ping, once answered, lets the old socket go.
    void heartbeatAnsweredBeforeTheRenewalIsNotWaitedFor()
    {
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(1));
        WebSocketTestServer::Connection& old = *channel.server.connections().at(0);
        channel.manualClock->advance(WebSocketService::heartbeatIntervalMs);
        QTRY_COMPARE(typesOf(old.frames).count(u"ping"_s), 1);
        // The server answered the ping at once; a frame written after it shows the answer was read.
        channel.server.sendToAll(onlineFrame.toUtf8());
        QTRY_COMPARE(channel.service->onlineUsers(), QSet<qint64> { 5 });

        channel.server.setAnswering(false);
        channel.service->connect(1);
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 2);
        WebSocketTestServer::Connection& fresh = *channel.server.connections().at(1);
        fresh.socket->sendTextMessage(authSuccess);
        QTRY_COMPARE(typesOf(old.frames).count(u"ping"_s), 2);
        old.socket->sendTextMessage(pongFrame);
        QTRY_VERIFY(!old.open);
        QCOMPARE(old.closeCode, int(QWebSocketProtocol::CloseCodeNormal));
        QVERIFY(fresh.open);
    }

    // What the client sends during a handover goes on the socket that is accepted: the
    // old one until the new one is, then (after the old one's last answer) the new one,
    // with the chat message the old one left unanswered. Should the new one fail,
    // nothing is lost: the old one still carries it.
    void framesSentDuringARenewal_data()
    {
        QTest::addColumn<bool>("accepted"); // the new socket was accepted
        QTest::addColumn<bool>("newFails"); // then failed
        QTest::addColumn<QStringList>("onOld");
        QTest::addColumn<QStringList>("onNew");
        const QStringList before { u"auth"_s, u"typing 1"_s, u"read"_s, u"message_send"_s };
        QTest::newRow("new one accepted") << true << false << (before + QStringList { u"ping"_s })
                                          << QStringList { u"auth"_s, u"typing 2"_s, u"typing 3"_s, u"message_send"_s };
        QTest::newRow("new one fails before acceptance") << false << true << (before + QStringList { u"typing 3"_s })
                                                         << QStringList { u"auth"_s };
        // Accepted, then lost: the old socket takes what waited, and is let go.
        QTest::newRow("new one fails while the old one drains") << true << true << (before + QStringList { u"ping"_s, u"typing 2"_s })
                                                                << QStringList { u"auth"_s };
    }
    void framesSentDuringARenewal()
    {
        QFETCH(bool, accepted);
        QFETCH(bool, newFails);
        QFETCH(QStringList, onOld);
        QFETCH(QStringList, onNew);
        Renewal renewal;
        QVERIFY(renewal.opened());
        WebSocketService* service = renewal.channel.service.get();
        QSignalSpy failed(service, &WebSocketService::messageFailedSubject);
        const auto sent = [](const WebSocketTestServer::Connection& connection) {
            QStringList frames;
            for (const QJsonObject& frame : connection.frames) {
                const QString type = frame.value("type"_L1).toString();
                frames.append(type == u"typing" ? u"typing %1"_s.arg(payloadOf(frame).value("conversationId"_L1).toInteger()) : type);
            }
            return frames;
        };
        service->sendTyping(1);
        service->send(WSMessage { u"read"_s, std::nullopt });
        service->sendChatMessage(chatFrame(u"c1"_s));
        QTRY_COMPARE(sent(renewal.old()).size(), 4);
        if (accepted) {
            renewal.fresh().socket->sendTextMessage(authSuccess);
            QTRY_VERIFY(sent(renewal.old()).contains(u"ping"_s));
            service->sendTyping(2);
        }
        if (newFails) {
            WebSocketLogCapture log;
            renewal.fresh().socket->abort();
            QTRY_COMPARE(log.linesStartingWith(u"[WS] Receive error (gen=2)"_s).size(), 1);
        } else {
            renewal.old().socket->sendTextMessage(pongFrame);
        }
        service->sendTyping(3);
        QTRY_COMPARE(sent(renewal.old()).size(), onOld.size());
        QTRY_COMPARE(sent(renewal.fresh()).size(), onNew.size());
        if (accepted)
            QTRY_VERIFY(!renewal.old().open);
        QCOMPARE(sent(renewal.old()), onOld);
        QCOMPARE(sent(renewal.fresh()), onNew);
        // The chat message went out once on each accepted socket and still waits for its answer.
        QCOMPARE(clientIdsIn(renewal.fresh().frames), (accepted && !newFails) ? QStringList { u"c1"_s } : QStringList {});
        QCOMPARE(clientIdsIn(renewal.old().frames), QStringList { u"c1"_s });
        QCOMPARE(service->unacknowledgedMessages(), QStringList { u"c1"_s });
        QCOMPARE(failed.size(), 0);
        QCOMPARE(service->isConnected(), !(accepted && newFails));
    }

    // A chat message carried by the old socket while the new one authenticates went
    // out: the next one sent meanwhile does not bring it again.
    void messagesOnTheOldSocketGoOnce()
    {
        Renewal renewal;
        QVERIFY(renewal.opened());
        renewal.channel.service->sendChatMessage(chatFrame(u"c1"_s));
        QTRY_COMPARE(clientIdsIn(renewal.old().frames), QStringList { u"c1"_s });
        renewal.channel.service->sendChatMessage(chatFrame(u"c2"_s));
        QTRY_VERIFY(clientIdsIn(renewal.old().frames).contains(u"c2"_s));
        QCOMPARE(clientIdsIn(renewal.old().frames), (QStringList { u"c1"_s, u"c2"_s }));
    }

    // Until the new socket is accepted, what the old one says of acceptance is about
    // itself: its "auth_success" does not accept the new one, its AUTH_FAILED does not
    // refuse it.
    void replacedSocketDecidesNothingForTheNewOne_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::newRow("auth_success") << authSuccess;
        QTest::newRow("AUTH_FAILED") << u"{\"type\":\"error\",\"payload\":{\"code\":\"AUTH_FAILED\"}}"_s;
    }
    void replacedSocketDecidesNothingForTheNewOne()
    {
        QFETCH(QString, frame);
        Renewal renewal;
        QVERIFY(renewal.opened());
        WebSocketService* service = renewal.channel.service.get();
        QSignalSpy accepted(service, &WebSocketService::authenticated);
        QSignalSpy reads(service, &WebSocketService::readSubject);
        WebSocketLogCapture log;
        renewal.old().socket->sendTextMessage(frame);
        renewal.old().socket->sendTextMessage(readFrame);
        QTRY_COMPARE(reads.size(), 1);
        QCOMPARE(accepted.size(), 0);
        QCOMPARE(log.linesStartingWith(u"[WS] Receive error"_s), QStringList());
        QVERIFY(!typesOf(renewal.old().frames).contains(u"ping"_s));

        renewal.fresh().socket->sendTextMessage(authSuccess);
        QTRY_COMPARE(accepted.size(), 1);
        QTRY_VERIFY(typesOf(renewal.old().frames).contains(u"ping"_s));
        QVERIFY(renewal.fresh().open);
    }

    // A chat message written on the old socket and not answered there when the handover
    // ends goes out once more, on the new socket, under its client id: the server stores
    // it once and answers it there.
    void unansweredMessageGoesOnTheNewSocket_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("the old one does not answer its last ping") << u"no pong"_s;
        QTest::newRow("the old one answers its ping, not the message") << u"pong"_s;
        QTest::newRow("the old one is lost while draining") << u"lost"_s;
    }
    void unansweredMessageGoesOnTheNewSocket()
    {
        QFETCH(QString, ending);
        Renewal renewal;
        QVERIFY(renewal.opened());
        WebSocketService* service = renewal.channel.service.get();
        QSignalSpy failed(service, &WebSocketService::messageFailedSubject);
        QSignalSpy acknowledged(service, &WebSocketService::messageAckSubject);
        service->sendChatMessage(chatFrame(u"c1"_s));
        QTRY_COMPARE(clientIdsIn(renewal.old().frames), QStringList { u"c1"_s });
        renewal.fresh().socket->sendTextMessage(authSuccess);
        QTRY_VERIFY(typesOf(renewal.old().frames).contains(u"ping"_s));
        QVERIFY(clientIdsIn(renewal.fresh().frames).isEmpty());

        if (ending == u"no pong")
            renewal.channel.manualClock->advance(ChannelHandover::drainTimeoutMs);
        else if (ending == u"pong")
            renewal.old().socket->sendTextMessage(pongFrame);
        else
            renewal.old().socket->abort();
        QTRY_COMPARE(clientIdsIn(renewal.fresh().frames), QStringList { u"c1"_s });
        // Once: a later message does not bring it again.
        service->sendChatMessage(chatFrame(u"c2"_s));
        QTRY_COMPARE(clientIdsIn(renewal.fresh().frames), (QStringList { u"c1"_s, u"c2"_s }));
        renewal.fresh().socket->sendTextMessage(ackFrame(u"c1"_s));
        QTRY_COMPARE(acknowledged.size(), 1);
        QCOMPARE(service->unacknowledgedMessages(), QStringList { u"c2"_s });
        QCOMPARE(clientIdsIn(renewal.old().frames), QStringList { u"c1"_s });
        QCOMPARE(failed.size(), 0);
    }

    // A renewal asked for while one is under way waits for it: the new socket, which the
    // server may already write the user's events on alone, is not dropped, nor is the old
    // one let go before its last answer. Once the new one has taken over, it is replaced
    // in turn, with the token stored by then.
    void renewalDuringAHandoverWaitsForIt_data()
    {
        QTest::addColumn<bool>("accepted"); // the new socket was accepted before the second renewal
        QTest::newRow("asked while the new one authenticates") << false;
        QTest::newRow("asked while the old one drains") << true;
    }
    void renewalDuringAHandoverWaitsForIt()
    {
        QFETCH(bool, accepted);
        Renewal renewal;
        QVERIFY(renewal.opened());
        WebSocketService* service = renewal.channel.service.get();
        if (accepted) {
            renewal.fresh().socket->sendTextMessage(authSuccess);
            QTRY_VERIFY(typesOf(renewal.old().frames).contains(u"ping"_s));
        }
        WebSocketLogCapture log;
        renewal.channel.keychain.saveText(u"second"_s, u"auth_token"_s);
        service->connect(1);
        QVERIFY(log.linesStartingWith(u"[WS] Connecting to"_s).isEmpty());

        if (!accepted)
            renewal.fresh().socket->sendTextMessage(authSuccess);
        QTRY_VERIFY(typesOf(renewal.old().frames).contains(u"ping"_s));
        renewal.old().socket->sendTextMessage(pongFrame);
        QTRY_COMPARE(renewal.channel.server.framesOfType(u"auth"_s).size(), 3);
        QCOMPARE(payloadOf(renewal.channel.server.framesOfType(u"auth"_s).at(2)).value("token"_L1).toString(), u"second"_s);
        QCOMPARE(log.linesStartingWith(u"[WS] Connecting to"_s).size(), 1);
        QTRY_VERIFY(!renewal.old().open);
        QCOMPARE(renewal.old().closeCode, int(QWebSocketProtocol::CloseCodeNormal));
        // The socket that took over now hands over in turn.
        QVERIFY(renewal.fresh().open);
        QVERIFY(!typesOf(renewal.fresh().frames).contains(u"ping"_s));
        renewal.channel.server.connections().at(2)->socket->sendTextMessage(authSuccess);
        QTRY_VERIFY(typesOf(renewal.fresh().frames).contains(u"ping"_s));
        QVERIFY(service->isConnected());
    }

    // The same holds for a connection with none to hand over from (the one before was
    // lost): once its "auth" is out, it is answered before the channel connects again.
    void renewalDuringAuthenticationWaitsForIt()
    {
        Channel channel;
        channel.server.setAnswering(false);
        channel.service->connect(1);
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 1);
        WebSocketLogCapture log;
        channel.service->connect(1);
        QVERIFY(log.linesStartingWith(u"[WS] Connecting to"_s).isEmpty());

        WebSocketTestServer::Connection& first = *channel.server.connections().at(0);
        first.socket->sendTextMessage(authSuccess);
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), 2);
        QVERIFY(first.open);
        QVERIFY(channel.service->isConnected());
        // And it hands over from the accepted one.
        channel.server.connections().at(1)->socket->sendTextMessage(authSuccess);
        QTRY_VERIFY(typesOf(first.frames).contains(u"ping"_s));
    }

    // The old socket lost before the new one is accepted leaves a gap, which the
    // connection flag shows; the list of users online starts again with the new socket.
    void oldSocketLostBeforeAcceptance()
    {
        Renewal renewal;
        QVERIFY(renewal.opened());
        WebSocketService* service = renewal.channel.service.get();
        QCOMPARE(service->onlineUsers(), QSet<qint64> { 5 });
        QSignalSpy connection(service, &WebSocketService::isConnectedChanged);
        renewal.old().socket->abort();
        QTRY_COMPARE(connection.size(), 1);
        QVERIFY(!service->isConnected());
        QVERIFY(service->onlineUsers().isEmpty());
        renewal.fresh().socket->sendTextMessage(authSuccess);
        QTRY_VERIFY(service->isConnected());
        // Nothing to drain: the new socket's frames are handled at once.
        renewal.fresh().socket->sendTextMessage(onlineFrame);
        QTRY_COMPARE(service->onlineUsers(), QSet<qint64> { 5 });
    }
};

QTEST_GUILESS_MAIN(TestChannelHandover)
#include "tst_channel_handover.moc"
