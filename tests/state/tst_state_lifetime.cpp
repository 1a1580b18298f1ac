// A screen may close while its state object waits for the server. The object is
// then gone when the reply comes back; nothing may touch it (the sanitizer build
// turns such a touch into a failure).

#include "ClientStack.h"

#include "state/chat/AuthViewModel.h"
#include "state/chat/ChatViewModel.h"
#include "state/chat/ConversationListViewModel.h"
#include "state/contacts/ContactListViewModel.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

struct Started {
    std::unique_ptr<QObject> model;
    QCoro::Task<> task;
};

using Start = std::function<Started(ClientStack&, const QString& dir)>;

template <typename Model, typename Action>
Start start(std::function<std::unique_ptr<Model>(ClientStack&)> make, Action action)
{
    return [make, action](ClientStack& s, const QString& dir) {
        std::unique_ptr<Model> model = make(s);
        QCoro::Task<> task = action(*model, dir);
        return Started { std::move(model), std::move(task) };
    };
}

std::unique_ptr<ChatViewModel> chat(ClientStack& s)
{
    s.server.respond(procedure("messages.list"), ok("[]"));
    return std::make_unique<ChatViewModel>(10, 1, ChatViewModel::Dependencies { &s.chat, &s.ws, &s.clientIds, &s.keychain,
                                                                                &s.api, &s.notifications, s.timers, &s.unsent });
}

std::unique_ptr<ConversationListViewModel> conversations(ClientStack& s)
{
    s.server.respond(procedure("conversations.list"), ok(R"([{"id":3,"type":"private"}])"));
    return std::make_unique<ConversationListViewModel>(
        1, ConversationListViewModel::Dependencies { &s.chat, &s.groups, &s.ws, &s.notifications, s.timers });
}

std::unique_ptr<ContactListViewModel> contacts(ClientStack& s)
{
    for (const char* name : { "contacts.list", "groups.list" })
        s.server.respond(procedure(name), ok("[]"));
    s.server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
    return std::make_unique<ContactListViewModel>(ContactListViewModel::Dependencies { &s.contacts, &s.groups, &s.ws });
}

std::unique_ptr<AuthViewModel> auth(ClientStack& s)
{
    auto model = std::make_unique<AuthViewModel>(AuthViewModel::Dependencies { &s.auth, &s.keychain, &s.ws, &s.api });
    model->setUsername(u"mei"_s);
    model->setPassword(u"secret-1"_s);
    return model;
}

} // namespace

Q_DECLARE_METATYPE(Start)

class TestStateLifetime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void modelGoesAwayDuringARequest_data()
    {
        QTest::addColumn<QString>("held");
        QTest::addColumn<Start>("start");

        // Only the first request to the held path waits; every other call is answered at once.
        const auto firstPage = [](ChatViewModel& m, const QString&) { return m.loadMessages(); };
        QTest::newRow("first page") << procedure("messages.list") << start<ChatViewModel>(chat, firstPage);
        QTest::newRow("read marking") << procedure("conversations.markAsRead") << start<ChatViewModel>(chat, firstPage);
        QTest::newRow("older page") << procedure("messages.list")
                                    << start<ChatViewModel>(chat, [](ChatViewModel& m, const QString&) {
                                           return m.loadMoreMessages();
                                       });
        QTest::newRow("revoke") << procedure("messages.revoke")
                                << start<ChatViewModel>(chat, [](ChatViewModel& m, const QString&) {
                                       return m.revokeMessage(Message {});
                                   });
        QTest::newRow("upload") << procedure("upload.getPresignedUrl")
                                << start<ChatViewModel>(chat, [](ChatViewModel& m, const QString& dir) {
                                       QFile file(dir + u"/a.txt"_s);
                                       if (!file.open(QIODevice::WriteOnly) || file.write("x") != 1)
                                           qFatal("cannot write the upload file");
                                       file.close();
                                       return m.sendFile(file.fileName());
                                   });
        const auto loadConversations = [](ConversationListViewModel& m, const QString&) { return m.loadConversations(); };
        for (const char* held : { "conversations.list", "groups.getMembers" })
            QTest::newRow(held) << procedure(held) << start<ConversationListViewModel>(conversations, loadConversations);
        for (const char* held : { "contacts.list", "groups.list", "contacts.getPendingRequestCount" })
            QTest::newRow(held) << procedure(held) << start<ContactListViewModel>(contacts, [](ContactListViewModel& m, const QString&) {
                return m.loadContacts();
            });
        QTest::newRow("login") << u"/api/auth/login"_s
                               << start<AuthViewModel>(auth, [](AuthViewModel& m, const QString&) { return m.login(); });
        QTest::newRow("logout") << u"/api/auth/logout"_s
                                << start<AuthViewModel>(auth, [](AuthViewModel& m, const QString&) { return m.logout(); });
        QTest::newRow("user refresh") << u"/api/auth/me"_s << start<AuthViewModel>(auth, [](AuthViewModel& m, const QString&) {
            return m.refreshCurrentUser();
        });
    }

    void modelGoesAwayDuringARequest()
    {
        QFETCH(QString, held);
        QFETCH(Start, start);
        ClientStack stack;
        QTemporaryDir dir;
        // Held, then answered with a failure: every waiting step resumes and must
        // notice that its object is gone.
        stack.server.respondOnce(held, { 500, R"({"error":"late"})", {}, true });
        Started started = start(stack, dir.path());
        QTRY_COMPARE(stack.requestCount(held), 1);
        started.model.reset();
        // Some steps (presence look-ups) run on after the task that started them:
        // wait for the held answer itself to reach the client.
        QSignalSpy answered(stack.api.findChild<QNetworkAccessManager*>(), &QNetworkAccessManager::finished);
        stack.server.release(held);
        testsupport::runTask(std::move(started.task));
        QTRY_VERIFY(!answered.isEmpty());
        QCOMPARE(stack.requestCount(held), 1);
    }
};

QTEST_GUILESS_MAIN(TestStateLifetime)
#include "tst_state_lifetime.moc"
