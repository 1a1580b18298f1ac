// The live session against the real morvane-server: a channel that outlives its
// access token, a session ended from elsewhere, messages refused by the server or
// caught in a server crash.

#include "ServerClient.h"
#include "PostedEvents.h"
#include "ServerProcess.h"
#include "TaskRunner.h"
#include "WebSocketLogCapture.h"

#include "models/ChatGroup.h"
#include "state/common/LocalizationManager.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using testsupport::runTask;
using testsupport::ServerProcess;

namespace {

using Client = testsupport::ServerClient;

bool signInAndConnect(Client& client, const QString& name, const QString& password)
{
    return client.signIn(name, password) && client.connect();
}

// Connection attempts of this user's channels so far.
qsizetype connectionsOf(const WebSocketLogCapture& log, qint64 userId)
{
    return log.linesStartingWith(u"[WS] Connecting to "_s).filter(u"with userId=%1 "_s.arg(userId)).size();
}

ServerProcess::Options demoWithTokenLifetime(qint64 seconds)
{
    return ServerProcess::Options { true, seconds, {} };
}

} // namespace

class TestSessionEndToEnd : public QObject {
    Q_OBJECT

    static constexpr qint64 tokenLifetimeSeconds = 3;

private Q_SLOTS:
    void initTestCase() { LocalizationManager::shared().setLanguage(AppLanguage::en); }

    // An idle client keeps its channel across several token lifetimes, with about one
    // reconnection per lifetime, and still receives what is sent to it afterwards.
    void idleChannelOutlivesItsToken()
    {
        WebSocketLogCapture log;
        ServerProcess server(demoWithTokenLifetime(tokenLifetimeSeconds));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Client alice(server);
        QVERIFY(signInAndConnect(alice, u"alice"_s, u"alice123"_s));
        QElapsedTimer connected;
        connected.start();
        QSignalSpy received(&alice.ws, &WebSocketService::newMessageSubject);

        QTest::qWait(int(3 * tokenLifetimeSeconds * 1000 + 1500));

        Client bob(server);
        QVERIFY(signInAndConnect(bob, u"bob"_s, u"bob12345"_s));
        const qint64 conversationId = runTask(bob.chat.createConversation(u"private"_s, std::nullopt, { alice.id() }));
        auto chat = bob.chatModel(conversationId);
        chat->sendMessage(u"still there?"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!received.isEmpty(), 10000);
        QCOMPARE(received.last().at(0).value<Message>().content, std::optional(u"still there?"_s));
        QVERIFY(alice.session.isAuthenticated());
        // About one reconnection per lifetime, however long a crowded machine took to
        // get here; the broken client reconnected twice a second with its dead token.
        const qsizetype attempts = connectionsOf(log, alice.id());
        const qint64 lifetimes = connected.elapsed() / (tokenLifetimeSeconds * 1000) + 1;
        QVERIFY2(attempts <= 1 + 2 * lifetimes, qPrintable(u"%1 connection attempts in %2 lifetimes"_s.arg(attempts).arg(lifetimes)));
        QVERIFY(log.linesStartingWith(u"[WS] Error from server: AUTH_FAILED"_s).isEmpty());
    }

    // A session ended from another connection, or by a ban, brings the client to the
    // login screen with the reason, and its channel stops trying. The server refuses
    // the refresh token of a session ended elsewhere as it refuses an expired one.
    void sessionEndedElsewhereSignsOut_data()
    {
        QTest::addColumn<bool>("banned"); // else: signed out from another device
        QTest::addColumn<QString>("reasonKey");
        QTest::newRow("signed out from another device") << false << u"auth.ended_expired"_s;
        QTest::newRow("banned") << true << u"auth.ended_suspended"_s;
    }
    void sessionEndedElsewhereSignsOut()
    {
        QFETCH(bool, banned);
        QFETCH(QString, reasonKey);
        WebSocketLogCapture log;
        ServerProcess server(demoWithTokenLifetime(tokenLifetimeSeconds));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Client bob(server);
        QVERIFY(signInAndConnect(bob, u"bob"_s, u"bob12345"_s));
        bob.session.setIsLoginMode(false);

        // Said once in the log, whatever the reason; the channel may hear of the end
        // while the request that ends the session is still under way.
        QTest::ignoreMessage(QtInfoMsg, "[Auth] The server ended the session, signing out");
        if (banned) {
            Client admin(server);
            QVERIFY(admin.signIn(u"admin"_s, u"admin123"_s));
            const QJsonObject body { { u"userId"_s, bob.id() }, { u"banned"_s, true } };
            runTask(admin.api.guardedRequest<void>("POST", u"/api/admin/users/ban"_s, QJsonValue(body)));
        } else {
            Client elsewhere(server);
            QVERIFY(elsewhere.signIn(u"bob"_s, u"bob12345"_s));
            QList<LoginSession> others = runTask(elsewhere.auth.listSessions());
            others.removeIf([](const LoginSession& s) { return s.isCurrent.value_or(false); });
            QCOMPARE(others.size(), 1);
            runTask(elsewhere.auth.revokeSession(others.first().id));
        }

        QTRY_VERIFY(!bob.session.isAuthenticated());
        QCOMPARE(bob.session.errorText(), LocalizationManager::shared().localizedString(reasonKey));
        QVERIFY(bob.session.isLoginMode());
        QVERIFY(!bob.keychain.loadText(u"auth_token"_s));
        // The channel stops trying: closed on purpose, it reconnects no more however
        // long one waits.
        const qsizetype attempts = connectionsOf(log, bob.id());
        QTRY_VERIFY(!bob.ws.isConnected());
        QVERIFY(bob.ws.intentionalDisconnect());
        QVERIFY(testsupport::postedEventsHandled());
        QCOMPARE(connectionsOf(log, bob.id()), attempts);
    }

    // A message sent into a group the administrator dissolved turns failed, with the
    // server's reason in the chat's error line.
    void sendIntoDissolvedGroupFails()
    {
        ServerProcess server(demoWithTokenLifetime(-1));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Client alice(server);
        QVERIFY(signInAndConnect(alice, u"alice"_s, u"alice123"_s));
        const QList<ChatGroup> groups = runTask(alice.groups.getGroups());
        QVERIFY(!groups.isEmpty());
        Client admin(server);
        QVERIFY(admin.signIn(u"admin"_s, u"admin123"_s));
        const QJsonObject body { { u"groupId"_s, groups.first().id } };
        runTask(admin.api.guardedRequest<void>("POST", u"/api/admin/groups/dissolve"_s, QJsonValue(body)));

        auto chat = alice.chatModel(groups.first().conversationId);
        chat->sendMessage(u"anyone?"_s);
        QTRY_VERIFY_WITH_TIMEOUT(chat->messages().constLast().status == std::optional(u"failed"_s), 10000);
        QVERIFY2(chat->errorText().contains(u"dissolved"_s), qPrintable(chat->errorText()));
        QVERIFY(alice.ws.unacknowledgedMessages().isEmpty());
    }

    // The server is killed while messages are on their way and started again: every
    // message ends sent, and stored once, or failed; none stays sending.
    void serverKilledMidSend()
    {
        WebSocketLogCapture log;
        ServerProcess server(demoWithTokenLifetime(-1));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Client alice(server);
        QVERIFY(signInAndConnect(alice, u"alice"_s, u"alice123"_s));
        Client bob(server);
        QVERIFY(bob.signIn(u"bob"_s, u"bob12345"_s));
        const qint64 conversationId = runTask(alice.chat.createConversation(u"private"_s, std::nullopt, { bob.id() }));
        auto chat = alice.chatModel(conversationId);
        runTask(chat->loadMessages());
        const qsizetype before = chat->messages().size();

        QStringList texts;
        for (int i = 0; i < 20; ++i) {
            texts.append(u"burst %1"_s.arg(i));
            chat->sendMessage(texts.constLast());
        }
        // No acknowledgement can have come in yet: all twenty are on their way.
        QCOMPARE(alice.ws.unacknowledgedMessages().size(), texts.size());
        server.kill();
        QVERIFY2(server.start(), qPrintable(server.errorString()));

        const auto settled = [&] {
            for (qsizetype i = before; i < chat->messages().size(); ++i) {
                if (chat->messages().at(i).status == std::optional(u"sending"_s))
                    return false;
            }
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 90000);
        QVERIFY(!log.linesStartingWith(u"[WS] Sending again: "_s).isEmpty());
        // Before Bob reads them, which turns "sent" into "read".
        const QList<Message> settledList = chat->messages();

        auto reread = bob.chatModel(conversationId);
        runTask(reread->loadMessages());
        for (const QString& text : std::as_const(texts)) {
            qsizetype stored = 0;
            for (const Message& m : reread->messages())
                stored += m.content == std::optional(text) ? 1 : 0;
            qsizetype sent = 0;
            for (const Message& m : settledList)
                sent += m.content == std::optional(text) && m.status == std::optional(u"sent"_s) ? 1 : 0;
            QVERIFY2(stored <= 1, qPrintable(text));
            QVERIFY2(sent == stored, qPrintable(u"%1: %2 sent, %3 stored"_s.arg(text).arg(sent).arg(stored)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSessionEndToEnd)
#include "tst_session_e2e.moc"
