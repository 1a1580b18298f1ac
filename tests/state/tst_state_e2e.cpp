// The state objects against the real morvane-server: two users, one private
// conversation, a message from one to the other.

#include "ServerProcess.h"
#include "TaskRunner.h"

#include "network/APIClient.h"
#include "network/AuthService.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "services/GroupService.h"
#include "state/AuthViewModel.h"
#include "state/ChatViewModel.h"
#include "state/ConversationListViewModel.h"
#include "state/NotificationCenter.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Client {
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    ClientIdService clientIds { keychain };
    APIClient api;
    AuthService auth { api, keychain };
    ChatService chat { api };
    GroupService groups { api };
    WebSocketService ws;
    NotificationCenter notifications;
    AuthViewModel session { AuthViewModel::Dependencies { &auth, &keychain, &ws, &api } };

    explicit Client(const testsupport::ServerProcess& server)
        : api(server.baseUrl().toString(), keychain)
        , ws(server.wsUrl().toString(), WebSocketClock::system(), keychain, clientIds)
    {
    }

    bool registerAndConnect(const QString& name)
    {
        session.setUsername(name);
        session.setPassword(u"secret-1"_s);
        testsupport::runTask(session.registerAccount());
        if (!session.user())
            return false;
        ws.connect(session.user()->id);
        return QTest::qWaitFor([this] { return ws.isConnected(); }, 10000);
    }

    qint64 id() const { return session.user()->id; }

    std::unique_ptr<ChatViewModel> chatModel(qint64 conversationId)
    {
        return std::make_unique<ChatViewModel>(
            conversationId, id(),
            ChatViewModel::Dependencies { &chat, &ws, &clientIds, &keychain, &api, &notifications,
                                          StateTimer::systemFactory() });
    }
};

} // namespace

class TestStateEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messageTravelsBetweenTwoUsers()
    {
        testsupport::ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Client ann(server);
        Client bob(server);
        QVERIFY2(ann.registerAndConnect(u"ann"_s), qPrintable(ann.session.errorText()));
        QVERIFY2(bob.registerAndConnect(u"bob"_s), qPrintable(bob.session.errorText()));

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
