// The state objects against the real morvane-server: two users, one private
// conversation, a message from one to the other.

#include "ServerClient.h"
#include "ServerProcess.h"
#include "TaskRunner.h"

#include "state/chat/ConversationListViewModel.h"
#include "state/common/NotificationCenter.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Registers a new account and opens its channel.
bool registerAndConnect(testsupport::ServerClient& client, const QString& name)
{
    return client.registerAccount(name, u"secret-1"_s) && client.connect();
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

        ConversationListViewModel bobsList(bob.id(), ConversationListViewModel::Dependencies {
                                                         &bob.chat, &bob.groups, &bob.ws, &bob.notifications,
                                                         StateTimer::systemFactory() });
        testsupport::runTask(bobsList.loadConversations());
        QCOMPARE(bobsList.conversations().size(), 1);

        auto annsChat = ann.chatModel(conversationId);
        testsupport::runTask(annsChat->loadMessages());
        annsChat->sendMessage(u"hello"_s);
        QTRY_VERIFY(annsChat->messages().at(0).id > 0);
        QCOMPARE(annsChat->messages().at(0).status, std::optional<QString>(u"sent"_s));

        QTRY_COMPARE(bobsList.conversations().at(0).unreadCount, std::optional<qint64>(1));
        QCOMPARE(bobsList.conversations().at(0).lastMessage, std::optional<QString>(u"hello"_s));

        // Bob opens the conversation: it counts as read, and Ann sees her message read.
        auto bobsChat = bob.chatModel(conversationId);
        testsupport::runTask(bobsChat->loadMessages());
        QCOMPARE(bobsChat->messages().size(), 1);
        QCOMPARE(bobsChat->messages().at(0).content, std::optional<QString>(u"hello"_s));
        QTRY_COMPARE(annsChat->messages().at(0).status, std::optional<QString>(u"read"_s));
    }
};

QTEST_GUILESS_MAIN(TestStateEndToEnd)
#include "tst_state_e2e.moc"
