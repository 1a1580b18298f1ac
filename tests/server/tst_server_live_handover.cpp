// End to end: a client renewing its token opens a new live channel for the same
// session and device before it lets the old one go. Each event is written on exactly
// one of the two, the old one still answers what the client sends on it, and a
// channel stays a few seconds past its token's expiry, time enough to be replaced,
// so the user's contacts never see them go offline.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

QJsonObject text(qint64 conversationId, const QString& clientMsgId)
{
    return { { u"clientMsgId"_s, clientMsgId }, { u"conversationId"_s, conversationId }, { u"type"_s, u"text"_s }, { u"content"_s, u"hello"_s } };
}

qint64 deliveredId(const std::optional<QJsonObject>& payload)
{
    return payload ? (*payload)["message"_L1]["id"_L1].toInteger() : 0;
}

} // namespace

class TestServerLiveHandover : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    int m_users = 0;

    std::unique_ptr<ApiClient> newUser(ServerProcess& server)
    {
        auto user = std::make_unique<ApiClient>(server.baseUrl());
        user->registerUser(u"handover%1"_s.arg(++m_users));
        return user;
    }

    static std::unique_ptr<LiveClient> live(const ServerProcess& server, const QString& token, qint64 userId, const QString& device)
    {
        auto client = std::make_unique<LiveClient>(server.wsUrl());
        return client->authenticate(token, userId, device) ? std::move(client) : nullptr;
    }

    // Tokens that last two seconds may run out before a slow machine gets a channel
    // open: each try renews the session (no password digest) and connects at once.
    static std::unique_ptr<LiveClient> liveWithFreshToken(const ServerProcess& server, ApiClient& user, QString& refreshToken, const QString& device)
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            const HttpResult renewed = user.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, refreshToken } });
            if (renewed.status != 200)
                return nullptr;
            user.token = renewed.json()["app_session_id"_L1].toString();
            refreshToken = renewed.json()["refresh_token"_L1].toString();
            if (auto client = live(server, user.token, user.userId(), device))
                return client;
        }
        return nullptr;
    }

    static qint64 openPrivate(ApiClient& user, qint64 with)
    {
        return user.mutation(u"conversations.create"_s, QJsonObject { { u"type"_s, u"private"_s }, { u"memberIds"_s, QJsonArray { with } } })
            .data()["conversationId"_L1]
            .toInteger();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorString())); }

    // The same device's new channel takes the user's events over from the old one;
    // another device's channel is a channel of its own and keeps getting them.
    void newChannelTakesTheEventsOver_data()
    {
        QTest::addColumn<QString>("newDevice");
        QTest::addColumn<bool>("oldKeepsThem");
        QTest::newRow("same device: a renewal") << u"device-1"_s << false;
        QTest::newRow("another device") << u"device-2"_s << true;
    }
    void newChannelTakesTheEventsOver()
    {
        QFETCH(QString, newDevice);
        QFETCH(bool, oldKeepsThem);
        auto sender = newUser(m_server);
        auto receiver = newUser(m_server);
        const qint64 conversation = openPrivate(*sender, receiver->userId());
        auto senderLive = live(m_server, sender->token, sender->userId(), u"sender"_s);
        auto old = live(m_server, receiver->token, receiver->userId(), u"device-1"_s);
        QVERIFY(conversation > 0 && senderLive && old);
        senderLive->sendFrame(u"message_send"_s, text(conversation, u"m1"_s));
        const qint64 first = deliveredId(old->waitFor(u"message_deliver"_s));
        QVERIFY(first > 0);

        auto fresh = live(m_server, receiver->token, receiver->userId(), newDevice);
        QVERIFY(fresh);
        senderLive->sendFrame(u"message_send"_s, text(conversation, u"m2"_s));
        const qint64 second = deliveredId(fresh->waitFor(u"message_deliver"_s));
        QVERIFY(second > first);
        if (oldKeepsThem)
            QCOMPARE(deliveredId(old->waitFor(u"message_deliver"_s)), second);
        else
            QVERIFY(old->staysQuiet(u"message_deliver"_s));
        // Nobody went away and came back.
        QVERIFY(senderLive->staysQuiet(u"offline"_s));

        // The old channel still answers the client: a send on it is stored and acknowledged there.
        old->sendFrame(u"message_send"_s, text(conversation, u"from-old"_s));
        const auto ack = old->waitFor(u"message_ack"_s);
        QVERIFY(ack);
        QCOMPARE(deliveredId(senderLive->waitFor(u"message_deliver"_s)), (*ack)["messageId"_L1].toInteger());

        // The grace over, a renewal's old channel is closed, as a normal end.
        if (!oldKeepsThem) {
            QVERIFY(old->waitForClose());
            QCOMPARE(old->closeCode(), 1000);
        }
    }

    // Whichever of the two channels of a renewal closes first, the user's events reach
    // the other one, and the user stays online to their contacts: a client may let go of
    // the new channel before it took over, and keep reading the old one.
    void eitherChannelClosingFirstLeavesTheOther_data()
    {
        QTest::addColumn<bool>("newClosesFirst");
        QTest::newRow("the old one closes first") << false;
        QTest::newRow("the new one closes first") << true;
    }
    void eitherChannelClosingFirstLeavesTheOther()
    {
        QFETCH(bool, newClosesFirst);
        auto sender = newUser(m_server);
        auto receiver = newUser(m_server);
        const qint64 conversation = openPrivate(*sender, receiver->userId());
        auto senderLive = live(m_server, sender->token, sender->userId(), u"sender"_s);
        auto old = live(m_server, receiver->token, receiver->userId(), u"device-1"_s);
        auto fresh = live(m_server, receiver->token, receiver->userId(), u"device-1"_s);
        QVERIFY(conversation > 0 && senderLive && old && fresh);
        auto& closing = newClosesFirst ? fresh : old;
        auto& staying = newClosesFirst ? old : fresh;
        closing.reset();
        QVERIFY(senderLive->serverCaughtUp());

        senderLive->sendFrame(u"message_send"_s, text(conversation, u"after-close"_s));
        const auto ack = senderLive->waitFor(u"message_ack"_s);
        QVERIFY(ack);
        QCOMPARE(deliveredId(staying->waitFor(u"message_deliver"_s)), (*ack)["messageId"_L1].toInteger());
        QVERIFY(senderLive->staysQuiet(u"offline"_s));

        // The last one closing is the user going away.
        staying.reset();
        QVERIFY(senderLive->waitFor(u"offline"_s));
    }

    // The user's only channel closes (its token expired before a late renewal): for the
    // grace the user stays online, and what they are sent meanwhile comes on the next
    // channel of the same session and device, first. Another device, or a sign-out, or
    // no channel in time, and it is not kept.
    void messagesWaitForTheSameDeviceToComeBack_data()
    {
        QTest::addColumn<QString>("next"); // what comes after the close
        QTest::addColumn<bool>("kept");
        QTest::newRow("the same device") << u"device-1"_s << true;
        QTest::newRow("another device") << u"device-2"_s << false;
        QTest::newRow("a sign-out") << u"sign-out"_s << false;
    }
    void messagesWaitForTheSameDeviceToComeBack()
    {
        QFETCH(QString, next);
        QFETCH(bool, kept);
        auto sender = newUser(m_server);
        auto receiver = newUser(m_server);
        const qint64 conversation = openPrivate(*sender, receiver->userId());
        auto senderLive = live(m_server, sender->token, sender->userId(), u"sender"_s);
        auto only = live(m_server, receiver->token, receiver->userId(), u"device-1"_s);
        QVERIFY(conversation > 0 && senderLive && only);
        QVERIFY(senderLive->waitFor(u"online"_s));
        only.reset();
        QVERIFY(senderLive->serverCaughtUp());

        senderLive->sendFrame(u"message_send"_s, text(conversation, u"meanwhile"_s));
        const auto ack = senderLive->waitFor(u"message_ack"_s);
        QVERIFY(ack);
        if (next == u"sign-out") {
            // At once: the session cannot come back.
            QCOMPARE(receiver->post(u"/api/auth/logout"_s, {}).status, 200);
            QVERIFY(senderLive->serverCaughtUp());
            QVERIFY(senderLive->waitFor(u"offline"_s, 0));
            return;
        }
        auto back = live(m_server, receiver->token, receiver->userId(), next);
        QVERIFY(back);
        if (kept)
            QCOMPARE(deliveredId(back->waitFor(u"message_deliver"_s)), (*ack)["messageId"_L1].toInteger());
        else
            QVERIFY(back->staysQuiet(u"message_deliver"_s));
        // The user never went away, nor came back.
        QVERIFY(senderLive->staysQuiet(u"offline"_s));
        QVERIFY(senderLive->staysQuiet(u"online"_s));
    }

    // What waits for a channel to come back is held up to what a socket may leave
    // unread: past that the client would not take it all either, so none of it is kept
    // and the user has gone away at once, grace or not.
    void heldMessagesAreBounded_data()
    {
        QTest::addColumn<int>("sends"); // of about 60 KB each
        QTest::addColumn<bool>("kept");
        QTest::newRow("about 3 MB") << 50 << true;
        QTest::newRow("about 5 MB") << 80 << false;
    }
    void heldMessagesAreBounded()
    {
        QFETCH(int, sends);
        QFETCH(bool, kept);
        // A grace no step below outlasts, however slow the machine.
        ServerProcess patient(ServerProcess::Options { false, -1, { u"--handover-grace"_s, QString::number(testsupport::kPatienceMs / 1000) } });
        QVERIFY2(patient.start(), qPrintable(patient.errorString()));
        ApiClient admin(patient.baseUrl());
        admin.registerUser(u"heldadmin"_s);
        QCOMPARE(patient.runOnce({ u"--set-role"_s, u"heldadmin"_s, u"admin"_s }), 0);
        admin.login(u"heldadmin"_s, u"secret123"_s);
        const auto onlineUsers = [&admin] { return admin.get(u"/api/admin/stats"_s).json()["onlineUsers"_L1].toInteger(-1); };
        auto sender = newUser(patient);
        auto receiver = newUser(patient);
        const qint64 conversation = openPrivate(*sender, receiver->userId());
        auto senderLive = live(patient, sender->token, sender->userId(), u"sender"_s);
        auto only = live(patient, receiver->token, receiver->userId(), u"device-1"_s);
        QVERIFY(conversation > 0 && senderLive && only);
        QVERIFY(senderLive->waitFor(u"online"_s));
        only.reset();
        QVERIFY(senderLive->serverCaughtUp());
        // Awaited, the user still counts as online.
        QCOMPARE(onlineUsers(), 2);

        QJsonObject big = text(conversation, {});
        big[u"content"_s] = QString(20000, QChar(0x4E2D));
        qint64 lastId = 0;
        for (int i = 0; i < sends; ++i) {
            big[u"clientMsgId"_s] = u"held-%1"_s.arg(i);
            senderLive->sendFrame(u"message_send"_s, big);
            const auto ack = senderLive->waitFor(u"message_ack"_s);
            QVERIFY2(ack, qPrintable(u"send %1 was not acknowledged"_s.arg(i)));
            lastId = (*ack)["messageId"_L1].toInteger();
        }
        QVERIFY(senderLive->serverCaughtUp());
        if (kept)
            QVERIFY(senderLive->staysQuiet(u"offline"_s));
        else
            QVERIFY2(senderLive->waitFor(u"offline"_s, 0), "the user was not gone once their messages passed the bound");
        QCOMPARE(onlineUsers(), kept ? 2 : 1);

        auto back = live(patient, receiver->token, receiver->userId(), u"device-1"_s);
        QVERIFY(back);
        if (kept) {
            qint64 delivered = 0;
            for (int i = 0; i < sends; ++i)
                delivered = deliveredId(back->waitFor(u"message_deliver"_s));
            QCOMPARE(delivered, lastId);
            QVERIFY(senderLive->staysQuiet(u"online"_s));
        } else {
            QVERIFY(back->staysQuiet(u"message_deliver"_s));
            QVERIFY(senderLive->waitFor(u"online"_s));
        }
    }

    // A channel that does not come back within the grace: the user has gone away.
    void noChannelWithinTheGraceIsGoingAway()
    {
        ServerProcess quick(ServerProcess::Options { false, -1, { u"--handover-grace"_s, u"1"_s } });
        QVERIFY2(quick.start(), qPrintable(quick.errorString()));
        auto sender = newUser(quick);
        auto receiver = newUser(quick);
        const qint64 conversation = openPrivate(*sender, receiver->userId());
        auto senderLive = live(quick, sender->token, sender->userId(), u"sender"_s);
        auto only = live(quick, receiver->token, receiver->userId(), u"device-1"_s);
        QVERIFY(conversation > 0 && senderLive && only);
        only.reset();
        senderLive->sendFrame(u"message_send"_s, text(conversation, u"too-late"_s));
        QVERIFY(senderLive->waitFor(u"message_ack"_s));
        QVERIFY(senderLive->waitFor(u"offline"_s));
        auto back = live(quick, receiver->token, receiver->userId(), u"device-1"_s);
        QVERIFY(back);
        QVERIFY(back->staysQuiet(u"message_deliver"_s));
        QVERIFY(senderLive->waitFor(u"online"_s));
    }

    // A ban closes a replaced channel too: it no longer gets events, but would still
    // take what its client sends.
    void banClosesAReplacedChannelToo()
    {
        ApiClient admin(m_server.baseUrl());
        admin.registerUser(u"handoveradmin"_s);
        QCOMPARE(m_server.runOnce({ u"--set-role"_s, u"handoveradmin"_s, u"admin"_s }), 0);
        admin.login(u"handoveradmin"_s, u"secret123"_s);
        auto user = newUser(m_server);
        auto old = live(m_server, user->token, user->userId(), u"device-1"_s);
        auto fresh = live(m_server, user->token, user->userId(), u"device-1"_s);
        QVERIFY(old && fresh);
        QCOMPARE(admin.postJson(u"/api/admin/users/ban"_s, { { u"userId"_s, user->userId() }, { u"banned"_s, true } }).status, 200);
        QVERIFY(old->waitForClose(testsupport::kPatienceMs));
        QCOMPARE(old->closeCode(), 1008);
        QVERIFY(fresh->waitForClose(testsupport::kPatienceMs));
    }

    // The client renews its session, and its old channel outlives the old token while
    // the new one is on its way (a slow renewal): no "offline" reaches the contact, and
    // the new channel takes over without an "online" either.
    void renewedSessionKeepsItsChannelUntilReplaced()
    {
        // The channel's grace outlasts every step below however slow the machine; that
        // it holds the channel open past the token at all is what is checked.
        ServerProcess shortLived(ServerProcess::Options { false, 2, { u"--handover-grace"_s, QString::number(testsupport::kPatienceMs / 1000) } });
        QVERIFY2(shortLived.start(), qPrintable(shortLived.errorString()));
        ApiClient receiver(shortLived.baseUrl());
        QString refreshToken = receiver.registerUser(u"renewing"_s).value("refresh_token"_L1).toString();
        ApiClient sender(shortLived.baseUrl());
        QString senderRefresh = sender.registerUser(u"renewingsender"_s).value("refresh_token"_L1).toString();
        const qint64 conversation = openPrivate(sender, receiver.userId()); // with the token the registration just issued
        auto senderLive = liveWithFreshToken(shortLived, sender, senderRefresh, u"sender"_s);
        auto old = liveWithFreshToken(shortLived, receiver, refreshToken, u"device-1"_s);
        QVERIFY(conversation > 0 && senderLive && old);
        QVERIFY(senderLive->waitFor(u"online"_s));
        const QString expiringToken = receiver.token;

        // Past the channel's token, by a second at least: a token issued once it had
        // expired has expired too.
        ApiClient expired(shortLived.baseUrl());
        expired.token = expiringToken;
        QTRY_COMPARE_WITH_TIMEOUT(expired.get(u"/api/auth/me"_s).status, 401, testsupport::kPatienceMs);
        auto later = newUser(shortLived);
        QTRY_COMPARE_WITH_TIMEOUT(later->get(u"/api/auth/me"_s).status, 401, testsupport::kPatienceMs);
        QVERIFY(old->isOpen());
        QVERIFY(old->staysQuiet(u"message_deliver"_s));
        QVERIFY(senderLive->staysQuiet(u"offline"_s));

        // The renewal comes now, late.
        auto fresh = liveWithFreshToken(shortLived, receiver, refreshToken, u"device-1"_s);
        QVERIFY(fresh);
        senderLive->sendFrame(u"message_send"_s, text(conversation, u"after"_s));
        QVERIFY(deliveredId(fresh->waitFor(u"message_deliver"_s)) > 0);
        QVERIFY(old->staysQuiet(u"message_deliver"_s));
        QVERIFY(senderLive->staysQuiet(u"online"_s));
    }
};

QTEST_GUILESS_MAIN(TestServerLiveHandover)
#include "tst_server_live_handover.moc"
