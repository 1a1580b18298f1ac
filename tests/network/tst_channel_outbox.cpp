// Chat messages between the chat and the server's answer: which connection carries
// them, when one has failed, and that nothing queued for one account reaches another.
// The outbox alone, then through the channel against an in-process server.

#include "network/ChannelOutbox.h"

#include "ChannelFixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Runs a script against an outbox on a manual clock; one line per thing it did, and
// what still waits at the end.
//   add ID | answer ID | send CONNECTION | lost CONNECTION | wait MS | clear
QStringList runOutbox(const QStringList& script)
{
    auto clock = std::make_shared<WebSocketManualClock>();
    QStringList events;
    ChannelOutbox outbox(clock, [&events](const QString& clientMsgId) { events.append(u"failed "_s + clientMsgId); });
    for (const QString& step : script) {
        const QStringList words = step.split(u' ');
        const QString& verb = words.at(0);
        const QString argument = words.value(1);
        if (verb == u"add") {
            outbox.add(argument, u"frame of "_s + argument);
        } else if (verb == u"answer") {
            outbox.remove(argument);
        } else if (verb == u"send") {
            for (const ChannelOutbox::Outgoing& message : outbox.takeUnsent(argument.toLongLong())) {
                Q_ASSERT(message.text == u"frame of "_s + message.clientMsgId);
                events.append(u"%1 %2 on %3"_s.arg(message.again ? u"again"_s : u"send"_s, message.clientMsgId, argument));
            }
        } else if (verb == u"lost") {
            outbox.connectionLost(argument.toLongLong());
        } else if (verb == u"wait") {
            clock->advance(argument.toLongLong());
        } else if (verb == u"clear") {
            events.append(u"cleared "_s + outbox.clear().join(u','));
        }
    }
    events.append(u"waiting "_s + outbox.clientMsgIds().join(u','));
    return events;
}

} // namespace

class TestChannelOutbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void outbox_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("events");
        const auto row = [](const char* name, const char* script, QStringList events) {
            QTest::newRow(name) << QString::fromLatin1(script).split(u';') << events;
        };
        row("answered in time", "add c1;send 1;wait 29999;answer c1;wait 60000", { u"send c1 on 1"_s, u"waiting "_s });
        row("no answer on an open connection", "add c1;send 1;wait 30000", { u"send c1 on 1"_s, u"failed c1"_s, u"waiting "_s });
        row("no answer through an outage", "add c1;send 1;lost 1;wait 29999",
            { u"send c1 on 1"_s, u"waiting c1"_s });
        row("its time runs while offline", "add c1;send 1;lost 1;wait 30000;send 2",
            { u"send c1 on 1"_s, u"failed c1"_s, u"waiting "_s });
        row("back within its time: once more, same id", "add c1;send 1;lost 1;send 2;send 2",
            { u"send c1 on 1"_s, u"again c1 on 2"_s, u"waiting c1"_s });
        row("a connection carries each message once, in order", "add c1;send 1;add c2;add c3;send 1;send 1",
            { u"send c1 on 1"_s, u"send c2 on 1"_s, u"send c3 on 1"_s, u"waiting c1,c2,c3"_s });
        // While a handover overlaps the two, the old connection answers what it carries.
        row("a connection still open keeps what it carries", "add c1;send 1;send 2", { u"send c1 on 1"_s, u"waiting c1"_s });
        row("sent again under a failed id: a new message", "add c1;wait 30000;add c1;send 3;wait 29999",
            { u"failed c1"_s, u"send c1 on 3"_s, u"waiting c1"_s });
        row("sent again while waiting: its time starts afresh", "add c1;send 1;wait 20000;add c1;wait 29999;send 1",
            { u"send c1 on 1"_s, u"send c1 on 1"_s, u"waiting c1"_s });
        row("emptied: nothing fails, nothing goes out", "add c1;add c2;send 1;clear;wait 60000;send 2",
            { u"send c1 on 1"_s, u"send c2 on 1"_s, u"cleared c1,c2"_s, u"waiting "_s });
    }
    void outbox()
    {
        QFETCH(QStringList, script);
        QFETCH(QStringList, events);
        QCOMPARE(runOutbox(script), events);
    }

    // An acknowledgement settles a message; an error frame naming it, or 30 s without an
    // answer, fails it.
    void channelSettlesOrFails_data()
    {
        QTest::addColumn<QByteArray>("answer"); // pushed after the send; empty: none
        QTest::addColumn<qint64>("waitMs");
        QTest::addColumn<QStringList>("failures");
        QTest::newRow("acknowledged") << QByteArray(R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":9}})")
                                      << qint64(60'000) << QStringList();
        QTest::newRow("refused by the server")
            << QByteArray(R"({"type":"error","payload":{"code":"FORBIDDEN","reason":"The group has been dissolved","clientMsgId":"c1"}})")
            << qint64(0) << QStringList { u"c1: The group has been dissolved"_s };
        QTest::newRow("error for another message") << QByteArray(R"({"type":"error","payload":{"code":"FORBIDDEN","clientMsgId":"c2"}})")
                                                   << qint64(29'999) << QStringList();
        QTest::newRow("no answer for 30 s") << QByteArray() << qint64(30'000) << QStringList { u"c1: none"_s };
    }
    void channelSettlesOrFails()
    {
        QFETCH(QByteArray, answer);
        QFETCH(qint64, waitMs);
        QFETCH(QStringList, failures);
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(5));
        QStringList failed;
        connect(channel.service.get(), &WebSocketService::messageFailedSubject, this,
                [&](const QString& id, const std::optional<QString>& reason) { failed.append(id + u": "_s + reason.value_or(u"none"_s)); });
        channel.service->sendChatMessage(chatFrame(u"c1"_s));
        QTRY_COMPARE(clientIdsSent(channel.server), QStringList { u"c1"_s });
        if (!answer.isEmpty()) {
            // Frames of one socket are handled in order: once the pong is, so is the answer.
            QSignalSpy frames(channel.service.get(), &WebSocketService::messageSubject);
            channel.server.sendToAll(answer);
            channel.server.sendToAll(R"({"type":"pong","payload":{}})");
            QTRY_VERIFY(!frames.isEmpty() && frames.constLast().at(0).value<WSMessage>().type == u"pong"_s);
        }
        channel.manualClock->advance(waitMs);
        QCOMPARE(failed, failures);
        QCOMPARE(channel.service->unacknowledgedMessages().isEmpty(), !failures.isEmpty() || answer.contains("message_ack"));
    }

    // A socket lost with a message in flight (the server gone, or the token expired while
    // its renewal gets no answer): the message still fails 30 s after it was sent, offline
    // or not. Back within its time, it goes out once more with the same client id.
    void messageInFlightAtADrop_data()
    {
        QTest::addColumn<bool>("tokenExpired"); // else: the server was killed
        QTest::addColumn<bool>("backInTime");
        QTest::newRow("server killed, back in time") << false << true;
        QTest::newRow("server killed, back too late") << false << false;
        QTest::newRow("token expired, back in time") << true << true;
        QTest::newRow("token expired, back too late") << true << false;
    }
    void messageInFlightAtADrop()
    {
        QFETCH(bool, tokenExpired);
        QFETCH(bool, backInTime);
        Channel channel;
        FakeRenewal renewal { SessionRenewal::Unreachable };
        channel.service->setSessionRenewer([&] { return renewWith(&renewal, &channel.keychain); });
        channel.keychain.saveText(u"old-token"_s, u"auth_token"_s);
        QVERIFY(channel.connectAndAuthenticate(5));
        QSignalSpy failed(channel.service.get(), &WebSocketService::messageFailedSubject);
        channel.service->sendChatMessage(chatFrame(u"c1"_s));
        QTRY_COMPARE(clientIdsSent(channel.server), QStringList { u"c1"_s });
        const quint16 port = channel.server.port();
        if (tokenExpired) {
            channel.server.setRefusedTokens({ u"old-token"_s });
            channel.server.closeAll(QWebSocketProtocol::CloseCodePolicyViolated);
        } else {
            channel.server.kill();
        }
        QTRY_VERIFY(!channel.service->isConnected());
        // The reconnections meanwhile fail, each in its own time. Back in time: before the
        // back-off of the renewals puts the next attempt beyond the message's 30 s.
        const qint64 offlineMs = backInTime ? 5'000 : WebSocketService::ackTimeoutMs - 1000;
        for (qint64 ms = 0; ms < offlineMs; ms += 1000) {
            channel.manualClock->advance(1000);
            QCoreApplication::processEvents();
        }
        QCOMPARE(failed.size(), 0);
        if (!backInTime) {
            channel.manualClock->advance(1000);
            QCOMPARE(failed.size(), 1);
            QCOMPARE(failed.first().first().toString(), u"c1"_s);
            QVERIFY(channel.service->unacknowledgedMessages().isEmpty());
        }
        if (tokenExpired)
            renewal.answer = SessionRenewal::Renewed;
        else
            QVERIFY(channel.server.listen(port));
        QVERIFY(QTest::qWaitFor([&] {
            channel.manualClock->advance(500);
            return channel.service->isConnected();
        }, testsupport::kPatienceMs));
        // The channel's own frames arrive in order: after this one, a message sent again is in.
        channel.service->sendTyping(1);
        QTRY_COMPARE(typesOf(channel.server.connections().constLast()->frames).count(u"typing"_s), 1);
        QCOMPARE(clientIdsSent(channel.server), (backInTime ? QStringList { u"c1"_s, u"c1"_s } : QStringList { u"c1"_s }));
        if (backInTime) {
            channel.server.sendToAll(R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":9,"isDuplicate":true}})");
            QTRY_VERIFY(channel.service->unacknowledgedMessages().isEmpty());
            channel.manualClock->advance(WebSocketService::ackTimeoutMs);
            QCOMPARE(failed.size(), 0);
        }
    }

    // A message that failed may still have reached the server: its late acknowledgement is
    // published, and the chat may send it again under the same id.
    void failedMessageCanComeBack()
    {
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(5));
        QSignalSpy failed(channel.service.get(), &WebSocketService::messageFailedSubject);
        QSignalSpy acknowledged(channel.service.get(), &WebSocketService::messageAckSubject);
        channel.service->sendChatMessage(chatFrame(u"c1"_s));
        channel.manualClock->advance(WebSocketService::ackTimeoutMs);
        QCOMPARE(failed.size(), 1);

        channel.server.sendToAll(R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":9}})");
        QTRY_COMPARE(acknowledged.size(), 1);
        QCOMPARE(acknowledged.first().at(0).toString(), u"c1"_s);
        QCOMPARE(acknowledged.first().at(2).toLongLong(), 9);

        channel.service->sendChatMessage(chatFrame(u"c1"_s));
        QTRY_COMPARE(clientIdsSent(channel.server), (QStringList { u"c1"_s, u"c1"_s }));
        QCOMPARE(channel.service->unacknowledgedMessages(), QStringList { u"c1"_s });
        channel.manualClock->advance(WebSocketService::ackTimeoutMs);
        QCOMPARE(failed.size(), 2);
    }

    // Signing out leaves nothing "sending": what waited in the outbox fails, and the
    // account is over for whatever kept its messages.
    void disconnectFailsTheOutbox()
    {
        Channel channel;
        QVERIFY(channel.connectAndAuthenticate(5));
        QSignalSpy failed(channel.service.get(), &WebSocketService::messageFailedSubject);
        QSignalSpy ended(channel.service.get(), &WebSocketService::accountEnded);
        channel.service->sendChatMessage(chatFrame(u"c1"_s));
        channel.service->disconnect();
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(), u"c1"_s);
        QCOMPARE(ended.size(), 1);
        QVERIFY(channel.service->unacknowledgedMessages().isEmpty());
    }

    // Another user connecting without a sign-out in between: nothing the first account
    // queued (chat messages, frames waiting for a socket) goes out on the new account's
    // socket, wherever it was waiting.
    void changeOfUserSendsNothingOfThePreviousAccount_data()
    {
        QTest::addColumn<QString>("waiting");
        QTest::newRow("for the first acceptance") << u"unanswered"_s;
        QTest::newRow("during a renewal") << u"renewal"_s;
        QTest::newRow("offline") << u"offline"_s;
    }
    void changeOfUserSendsNothingOfThePreviousAccount()
    {
        QFETCH(QString, waiting);
        Channel channel;
        QSignalSpy failed(channel.service.get(), &WebSocketService::messageFailedSubject);
        QSignalSpy ended(channel.service.get(), &WebSocketService::accountEnded);
        const quint16 port = channel.server.port();
        if (waiting == u"unanswered") {
            channel.server.setAnswering(false);
            channel.service->connect(1);
        } else if (waiting == u"renewal") {
            QVERIFY(channel.connectAndAuthenticate(1));
            channel.server.setAnswering(false);
            channel.service->connect(1);
        } else {
            channel.server.kill();
            channel.service->connect(1);
        }
        QTRY_COMPARE(channel.server.framesOfType(u"auth"_s).size(), waiting == u"renewal" ? 2 : waiting == u"offline" ? 0 : 1);
        channel.service->sendChatMessage(chatFrame(u"c1"_s, u"for the first account"_s));
        channel.service->sendTyping(7);

        if (waiting == u"offline")
            QVERIFY(channel.server.listen(port));
        channel.server.setAnswering(true);
        const qsizetype before = channel.server.connections().size();
        QSignalSpy accepted(channel.service.get(), &WebSocketService::authenticated);
        QCOMPARE(ended.size(), 0);
        channel.service->connect(2);
        QCOMPARE(ended.size(), 1);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(), u"c1"_s);
        QTRY_COMPARE(accepted.size(), 1);
        QCOMPARE(channel.service->currentUserId(), std::optional<qint64>(2));

        // The second account's own frames go out: once this one is in, anything sent before is.
        channel.service->sendTyping(8);
        const auto second = channel.server.connections().constLast();
        QTRY_VERIFY(typesOf(second->frames).contains(u"typing"_s));
        QCOMPARE(channel.server.connections().size(), before + 1);
        QCOMPARE(typesOf(second->frames), (QStringList { u"auth"_s, u"typing"_s }));
        QCOMPARE(payloadOf(second->frames.constLast()).value("conversationId"_L1).toInteger(), 8);
        QVERIFY(channel.service->unacknowledgedMessages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestChannelOutbox)
#include "tst_channel_outbox.moc"
