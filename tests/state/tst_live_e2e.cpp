// Live delivery against the real morvane-server: nothing sent to an open chat is
// missed or shown twice across token renewals and across a server restart, the
// conversation list ends on the last message, and a renewal never shows the user
// offline to a contact.

#include "ServerClient.h"
#include "ServerProcess.h"
#include "TaskRunner.h"
#include "WebSocketLogCapture.h"

#include "state/chat/ConversationListViewModel.h"
#include "state/common/LocalizationManager.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using testsupport::runTask;
using testsupport::ServerClient;
using testsupport::ServerProcess;

namespace {

// Sends numbered texts into a chat every 20 to 50 ms while running.
class PacedSender : public QObject {
public:
    explicit PacedSender(ChatViewModel& chat)
        : m_chat(chat)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            sendOne();
            m_timer.start(intervalsMs[m_texts.size() % std::size(intervalsMs)]);
        });
    }
    void start() { m_timer.start(0); }
    void stop() { m_timer.stop(); }
    void sendOne()
    {
        m_texts.append(u"paced %1"_s.arg(m_texts.size()));
        m_chat.sendMessage(m_texts.constLast());
    }
    // The texts the server confirmed, in the order it stored them.
    QStringList confirmed() const
    {
        QList<Message> sent;
        for (const Message& message : m_chat.messages()) {
            const bool sentHere = message.content && m_texts.contains(*message.content);
            if (sentHere && (message.status == u"sent" || message.status == u"read"))
                sent.append(message);
        }
        std::sort(sent.begin(), sent.end(), [](const Message& a, const Message& b) { return a.id < b.id; });
        QStringList texts;
        for (const Message& message : std::as_const(sent))
            texts.append(message.content.value_or(QString()));
        return texts;
    }
    // None of them is still on its way.
    bool settled() const
    {
        return std::none_of(m_chat.messages().cbegin(), m_chat.messages().cend(),
                            [](const Message& message) { return message.status == u"sending"; });
    }
    qsizetype count() const { return m_texts.size(); }

private:
    static constexpr int intervalsMs[] = { 20, 35, 50, 25, 45, 30 };
    ChatViewModel& m_chat;
    QTimer m_timer;
    QStringList m_texts;
};

// The texts of the other user's paced messages in the chat, in list order, checked to
// be in the server's order.
QStringList receivedTexts(const ChatViewModel& chat, qint64 senderId, bool* ordered)
{
    QStringList texts;
    qint64 lastId = 0;
    *ordered = true;
    for (const Message& message : chat.messages()) {
        if (message.senderId != senderId || !message.content.value_or(QString()).startsWith(u"paced "))
            continue;
        *ordered = *ordered && message.id > lastId;
        lastId = message.id;
        texts.append(message.content.value_or(QString()));
    }
    return texts;
}

qsizetype connectionsOf(const WebSocketLogCapture& log, qint64 userId)
{
    return log.linesStartingWith(u"[WS] Connecting to "_s).filter(u"with userId=%1 "_s.arg(userId)).size();
}

std::unique_ptr<ConversationListViewModel> conversationList(ServerClient& client)
{
    return std::make_unique<ConversationListViewModel>(
        client.id(), ConversationListViewModel::Dependencies { &client.chat, &client.groups, &client.ws, &client.notifications,
                                                               StateTimer::systemFactory() });
}

// A private chat Bob opened with Alice, open on both sides, and Alice's conversation list.
struct OpenChat {
    qint64 conversationId = 0;
    std::unique_ptr<ConversationListViewModel> aliceList;
    std::unique_ptr<ChatViewModel> alice;
    std::unique_ptr<ChatViewModel> bob;
};

OpenChat openChat(ServerClient& alice, ServerClient& bob)
{
    OpenChat chat;
    const QList<qint64> members { alice.id() };
    chat.conversationId = runTask(bob.chat.createConversation(u"private"_s, std::nullopt, members));
    chat.aliceList = conversationList(alice);
    runTask(chat.aliceList->loadConversations());
    chat.alice = alice.chatModel(chat.conversationId);
    runTask(chat.alice->loadMessages());
    chat.bob = bob.chatModel(chat.conversationId);
    runTask(chat.bob->loadMessages());
    return chat;
}

std::optional<QString> lastMessageOf(const ConversationListViewModel& list, qint64 conversationId)
{
    for (const Conversation& conversation : list.conversations()) {
        if (conversation.id == conversationId)
            return conversation.lastMessage;
    }
    return std::nullopt;
}

} // namespace

class TestLiveEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { LocalizationManager::shared().setLanguage(AppLanguage::en); }

    // Bob writes every 20-50 ms to Alice, whose chat is open, across at least five of
    // her token renewals.
    void renewalsMissNothing()
    {
        constexpr int renewals = 5;
        WebSocketLogCapture log;
        // Three seconds: renewals come often, with room to spare on a slow machine.
        ServerProcess server(ServerProcess::Options { true, 3, {} });
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ServerClient alice(server);
        ServerClient bob(server);
        QVERIFY(alice.signIn(u"alice"_s, u"alice123"_s) && alice.connect());
        QVERIFY(bob.signIn(u"bob"_s, u"bob12345"_s) && bob.connect());
        QList<bool> aliceOnlineToBob;
        QObject::connect(&bob.ws, &WebSocketService::presenceSubject, &bob.ws, [&](qint64 userId, bool online) {
            if (userId == alice.id())
                aliceOnlineToBob.append(online);
        });
        OpenChat chat = openChat(alice, bob);
        const qint64 conversationId = chat.conversationId;
        ConversationListViewModel* list = chat.aliceList.get();
        ChatViewModel* aliceChat = chat.alice.get();
        ChatViewModel* bobChat = chat.bob.get();

        PacedSender sender(*bobChat);
        const qsizetype connectionsBefore = connectionsOf(log, alice.id());
        sender.start();
        QTRY_VERIFY_WITH_TIMEOUT(connectionsOf(log, alice.id()) >= connectionsBefore + renewals + 1, 60000);
        sender.stop();

        QTRY_VERIFY_WITH_TIMEOUT(sender.settled(), 30000);
        const QStringList confirmed = sender.confirmed();
        QCOMPARE(confirmed.size(), sender.count());
        bool ordered = false;
        QTRY_COMPARE_WITH_TIMEOUT(receivedTexts(*aliceChat, bob.id(), &ordered).size(), confirmed.size(), 30000);
        QCOMPARE(receivedTexts(*aliceChat, bob.id(), &ordered), confirmed);
        QVERIFY(ordered);
        QTRY_COMPARE_WITH_TIMEOUT(lastMessageOf(*list, conversationId), std::optional(confirmed.constLast()), 10000);
        QVERIFY2(!aliceOnlineToBob.contains(false), "Alice went offline to Bob during a renewal");
        QVERIFY(alice.session.isAuthenticated());
    }

    // The server is killed while Bob writes, and started again. Bob is back first and
    // writes on while Alice is still away (her machine stays offline a while longer: her
    // channel is closed by hand), so those messages reach her only by catching up: once
    // her channel is back, her open chat and her list show every stored message, once.
    void serverRestartMissesNothing()
    {
        ServerProcess server(ServerProcess::Options { true, -1, {} });
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ServerClient alice(server);
        ServerClient bob(server);
        QVERIFY(alice.signIn(u"alice"_s, u"alice123"_s) && alice.connect());
        QVERIFY(bob.signIn(u"bob"_s, u"bob12345"_s) && bob.connect());
        OpenChat chat = openChat(alice, bob);
        const qint64 conversationId = chat.conversationId;
        ConversationListViewModel* list = chat.aliceList.get();
        ChatViewModel* aliceChat = chat.alice.get();
        ChatViewModel* bobChat = chat.bob.get();

        PacedSender sender(*bobChat);
        sender.start();
        QTRY_VERIFY_WITH_TIMEOUT(sender.count() >= 5, 10000);
        sender.stop();
        server.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!alice.ws.isConnected() && !bob.ws.isConnected(), 10000);
        alice.ws.disconnect();
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(bob.ws.isConnected(), 10000);
        const qsizetype beforeOutage = sender.count();
        for (int i = 0; i < 10; ++i)
            sender.sendOne();
        QTRY_VERIFY_WITH_TIMEOUT(sender.settled(), 30000);
        alice.ws.connect(alice.id());
        QTRY_VERIFY_WITH_TIMEOUT(alice.ws.isConnected(), 30000);
        sender.start();
        QTRY_VERIFY_WITH_TIMEOUT(sender.count() >= beforeOutage + 15, 10000);
        sender.stop();
        QTRY_VERIFY_WITH_TIMEOUT(sender.settled(), 30000);

        const QStringList confirmed = sender.confirmed();
        QVERIFY(confirmed.size() >= 15);
        bool ordered = false;
        QTRY_COMPARE_WITH_TIMEOUT(receivedTexts(*aliceChat, bob.id(), &ordered).size(), confirmed.size(), 30000);
        QCOMPARE(receivedTexts(*aliceChat, bob.id(), &ordered), confirmed);
        QVERIFY(ordered);
        QTRY_COMPARE_WITH_TIMEOUT(lastMessageOf(*list, conversationId), std::optional(confirmed.constLast()), 10000);
    }
};

QTEST_GUILESS_MAIN(TestLiveEndToEnd)
#include "tst_live_e2e.moc"
