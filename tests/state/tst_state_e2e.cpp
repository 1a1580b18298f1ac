// The state objects against the real morvane-server: two users, one private
// conversation, messages between them: sent once whatever becomes of the
// acknowledgement, and read when read.

#include "ServerClient.h"
#include "ServerProcess.h"
#include "TaskRunner.h"

#include "state/chat/ConversationListViewModel.h"
#include "state/chat/ReadMarker.h"
#include "state/common/NotificationCenter.h"

#include <QScopeGuard>
#include <QTest>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace {

// Registers a new account and opens its channel.
bool registerAndConnect(testsupport::ServerClient& client, const QString& name)
{
    return client.registerAccount(name, u"secret-1"_s) && client.connect();
}

std::unique_ptr<ConversationListViewModel> conversationList(testsupport::ServerClient& client)
{
    return std::make_unique<ConversationListViewModel>(
        client.id(), ConversationListViewModel::Dependencies { &client.chat, &client.groups, &client.ws, &client.notifications,
                                                               StateTimer::systemFactory() });
}

qsizetype countWithContent(const QList<Message>& messages, const QString& content)
{
    return std::count_if(messages.cbegin(), messages.cend(), [&content](const Message& m) { return m.content == content; });
}

} // namespace

class TestStateEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messageTravelsBetweenTwoUsers()
    {
        testsupport::ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        testsupport::ServerClient ann(server);
        testsupport::ServerClient bob(server);
        QVERIFY2(registerAndConnect(ann, u"ann"_s), qPrintable(ann.session.errorText()));
        QVERIFY2(registerAndConnect(bob, u"bob"_s), qPrintable(bob.session.errorText()));

        const qint64 conversationId =
            testsupport::runTask(ann.chat.createConversation(u"private"_s, std::nullopt, { bob.id() }));

        auto bobsList = conversationList(bob);
        testsupport::runTask(bobsList->loadConversations());
        QCOMPARE(bobsList->conversations().size(), 1);

        auto annsChat = ann.chatModel(conversationId);
        testsupport::runTask(annsChat->loadMessages());
        annsChat->sendMessage(u"hello"_s);
        QTRY_VERIFY(annsChat->messages().at(0).id > 0);
        QCOMPARE(annsChat->messages().at(0).status, std::optional<QString>(u"sent"_s));

        QTRY_COMPARE(bobsList->conversations().at(0).unreadCount, std::optional<qint64>(1));
        QCOMPARE(bobsList->conversations().at(0).lastMessage, std::optional<QString>(u"hello"_s));

        // Bob opens the conversation: it counts as read, and Ann sees her message read.
        auto bobsChat = bob.chatModel(conversationId);
        testsupport::runTask(bobsChat->loadMessages());
        QCOMPARE(bobsChat->messages().size(), 1);
        QCOMPARE(bobsChat->messages().at(0).content, std::optional<QString>(u"hello"_s));
        QTRY_COMPARE(annsChat->messages().at(0).status, std::optional<QString>(u"read"_s));
    }

    // The server holds the message but its acknowledgement comes too late: the message
    // fails, and is sent again or not. Either way the server stores it once, the chat
    // lists it once as sent, and the conversation row shows it without "[Not sent]".
    void lateAcknowledgementStoresOneMessage_data()
    {
        QTest::addColumn<bool>("resend");
        QTest::newRow("resent before the acknowledgement") << true;
        QTest::newRow("left as it is") << false;
    }
    void lateAcknowledgementStoresOneMessage()
    {
        QFETCH(bool, resend);
        testsupport::ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        testsupport::ServerClient ann(server);
        testsupport::ServerClient bob(server);
        QVERIFY2(registerAndConnect(ann, u"ann"_s), qPrintable(ann.session.errorText()));
        QVERIFY2(registerAndConnect(bob, u"bob"_s), qPrintable(bob.session.errorText()));
        const qint64 conversationId =
            testsupport::runTask(ann.chat.createConversation(u"private"_s, std::nullopt, { bob.id() }));
        auto annsList = conversationList(ann);
        testsupport::runTask(annsList->loadConversations());
        auto annsChat = ann.chatModel(conversationId);
        testsupport::runTask(annsChat->loadMessages());

        // The server stops answering: the frames wait for it, unanswered.
        const qint64 pid = server.processId();
        QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);
        auto resume = qScopeGuard([pid] { ::kill(pid_t(pid), SIGCONT); });
        annsChat->sendMessage(u"once"_s);
        const QString clientMsgId = *annsChat->messages().constLast().clientMessageId;
        // The channel gives up waiting for the acknowledgement.
        Q_EMIT ann.ws.messageFailedSubject(clientMsgId, std::nullopt);
        QTRY_COMPARE(annsChat->messages().constLast().status, std::optional(u"failed"_s));
        QTRY_VERIFY(annsList->conversations().at(0).lastMessageFailed);
        if (resend)
            annsChat->resendMessage(annsChat->messages().constLast());
        resume.dismiss();
        QCOMPARE(::kill(pid_t(pid), SIGCONT), 0);

        QTRY_COMPARE(annsChat->messages().constLast().status, std::optional(u"sent"_s));
        QCOMPARE(countWithContent(annsChat->messages(), u"once"_s), 1);
        const QList<Message> stored = testsupport::runTask(bob.chat.getMessages(conversationId, 50, 0));
        QCOMPARE(countWithContent(stored, u"once"_s), 1);
        QCOMPARE(annsChat->messages().constLast().id, stored.first().id);
        QTRY_VERIFY(!annsList->conversations().at(0).lastMessageFailed);
        QCOMPARE(annsList->conversations().at(0).lastMessage, std::optional(u"once"_s));
    }

    // Messages that reach Ann's open chat while it is on screen are read: a reload
    // of her list counts them read, and Bob sees them read. While it is away they
    // stay unread.
    void readChatStaysReadAfterAReload_data()
    {
        QTest::addColumn<bool>("onScreen");
        QTest::newRow("on screen") << true;
        QTest::newRow("away") << false;
    }
    void readChatStaysReadAfterAReload()
    {
        QFETCH(bool, onScreen);
        testsupport::ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        testsupport::ServerClient ann(server);
        testsupport::ServerClient bob(server);
        QVERIFY2(registerAndConnect(ann, u"ann"_s), qPrintable(ann.session.errorText()));
        QVERIFY2(registerAndConnect(bob, u"bob"_s), qPrintable(bob.session.errorText()));
        const qint64 conversationId =
            testsupport::runTask(bob.chat.createConversation(u"private"_s, std::nullopt, { ann.id() }));
        auto annsChat = ann.chatModel(conversationId);
        testsupport::runTask(annsChat->loadMessages());
        annsChat->setOnScreen(onScreen);
        auto bobsChat = bob.chatModel(conversationId);
        testsupport::runTask(bobsChat->loadMessages());

        const QStringList texts { u"one"_s, u"two"_s, u"three"_s };
        for (const QString& text : texts)
            bobsChat->sendMessage(text);
        QTRY_COMPARE(annsChat->messages().size(), texts.size());
        const auto allRead = [&bobsChat] {
            return std::all_of(bobsChat->messages().cbegin(), bobsChat->messages().cend(),
                               [](const Message& m) { return m.status == u"read"; });
        };
        if (onScreen)
            QTRY_VERIFY(allRead());
        annsChat.reset();

        auto annsList = conversationList(ann);
        testsupport::runTask(annsList->loadConversations());
        QCOMPARE(annsList->conversations().size(), 1);
        QCOMPARE(annsList->conversations().at(0).unreadCount, std::optional<qint64>(onScreen ? 0 : texts.size()));
        QCOMPARE(allRead(), onScreen);
    }

    // Ann's open chat is marked read while the server is down: the mark fails, and
    // Bob's message stays unread. When the server is back her channel comes back, the
    // chat marks it read again, and the server counts it read; Bob sees it read.
    void readMarkMadeDuringAnOutageIsMadeAgain()
    {
        testsupport::ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        testsupport::ServerClient ann(server);
        testsupport::ServerClient bob(server);
        QVERIFY2(registerAndConnect(ann, u"ann"_s), qPrintable(ann.session.errorText()));
        QVERIFY2(registerAndConnect(bob, u"bob"_s), qPrintable(bob.session.errorText()));
        const qint64 conversationId =
            testsupport::runTask(bob.chat.createConversation(u"private"_s, std::nullopt, { ann.id() }));
        auto annsChat = ann.chatModel(conversationId);
        testsupport::runTask(annsChat->loadMessages());
        auto bobsChat = bob.chatModel(conversationId);
        testsupport::runTask(bobsChat->loadMessages());
        bobsChat->sendMessage(u"while away"_s);
        QTRY_COMPARE(annsChat->messages().size(), 1);
        QTRY_COMPARE(bobsChat->messages().constLast().status, std::optional(u"sent"_s));

        server.kill();
        QTRY_VERIFY(!ann.ws.isConnected());
        annsChat->setOnScreen(true);
        QTRY_VERIFY(annsChat->readMarker().isWaitingToRetry());
        QVERIFY2(server.start(), qPrintable(server.errorString()));

        QTRY_VERIFY_WITH_TIMEOUT(ann.ws.isConnected() && bob.ws.isConnected(), testsupport::kPatienceMs);
        QTRY_VERIFY(!annsChat->readMarker().isWaitingToRetry() && !annsChat->readMarker().isMarking());
        QTRY_COMPARE(bobsChat->messages().constLast().status, std::optional(u"read"_s));
        auto annsList = conversationList(ann);
        testsupport::runTask(annsList->loadConversations());
        QCOMPARE(annsList->conversations().at(0).unreadCount, std::optional<qint64>(0));
    }
};

QTEST_GUILESS_MAIN(TestStateEndToEnd)
#include "tst_state_e2e.moc"
