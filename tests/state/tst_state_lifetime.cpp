// A screen may close while its state object waits for the server. The object is
// then gone when the reply comes back; nothing may touch it (the sanitizer build
// turns such a touch into a failure).

#include "ClientStack.h"

#include "state/AuthViewModel.h"
#include "state/ChatViewModel.h"
#include "state/ContactListViewModel.h"
#include "state/ConversationListViewModel.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

struct Started {
    std::unique_ptr<QObject> model;
    QCoro::Task<> task;
};

using Start = std::function<Started(ClientStack&, const QString& dir)>;

std::unique_ptr<ChatViewModel> chatModel(ClientStack& s)
{
    return std::make_unique<ChatViewModel>(
        10, 1,
        ChatViewModel::Dependencies { &s.chat, &s.ws, &s.clientIds, &s.keychain, &s.api, &s.notifications,
                                      s.timers });
}

Started chatTask(ClientStack& s, const std::function<QCoro::Task<>(ChatViewModel&)>& action)
{
    auto model = chatModel(s);
    QCoro::Task<> task = action(*model);
    return { std::move(model), std::move(task) };
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

        QTest::newRow("first page") << procedure("messages.list") << Start([](ClientStack& s, const QString&) {
            return chatTask(s, [](ChatViewModel& m) { return m.loadMessages(); });
        });
        QTest::newRow("read marking") << procedure("conversations.markAsRead") << Start([](ClientStack& s, const QString&) {
            s.server.respond(procedure("messages.list"), ok("[]"));
            return chatTask(s, [](ChatViewModel& m) { return m.loadMessages(); });
        });
        QTest::newRow("older page") << procedure("messages.list") << Start([](ClientStack& s, const QString&) {
            return chatTask(s, [](ChatViewModel& m) { return m.loadMoreMessages(); });
        });
        QTest::newRow("revoke") << procedure("messages.revoke") << Start([](ClientStack& s, const QString&) {
            return chatTask(s, [](ChatViewModel& m) { return m.revokeMessage(Message {}); });
        });
        QTest::newRow("upload") << procedure("upload.getPresignedUrl") << Start([](ClientStack& s, const QString& dir) {
            QFile file(dir + u"/a.txt"_s);
            if (!file.open(QIODevice::WriteOnly) || file.write("x") != 1)
                qFatal("cannot write the upload file");
            file.close();
            return chatTask(s, [path = file.fileName()](ChatViewModel& m) { return m.sendFile(path); });
        });
        auto conversationList = [](ClientStack& s) {
            return std::make_unique<ConversationListViewModel>(
                1, ConversationListViewModel::Dependencies { &s.chat, &s.groups, &s.ws, &s.notifications, s.timers });
        };
        QTest::newRow("conversations") << procedure("conversations.list")
                                       << Start([conversationList](ClientStack& s, const QString&) {
                                              auto model = conversationList(s);
                                              QCoro::Task<> task = model->loadConversations();
                                              return Started { std::move(model), std::move(task) };
                                          });
        QTest::newRow("private peer") << procedure("groups.getMembers")
                                      << Start([conversationList](ClientStack& s, const QString&) {
                                             s.server.respond(procedure("conversations.list"),
                                                              ok(R"([{"id":3,"type":"private"}])"));
                                             auto model = conversationList(s);
                                             QCoro::Task<> task = model->loadConversations();
                                             return Started { std::move(model), std::move(task) };
                                         });
        for (const char* held : { "contacts.list", "groups.list", "contacts.getPendingRequestCount" }) {
            QTest::newRow(held) << procedure(held) << Start([](ClientStack& s, const QString&) {
                s.server.respond(procedure("contacts.list"), ok("[]"));
                s.server.respond(procedure("groups.list"), ok("[]"));
                s.server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
                auto model = std::make_unique<ContactListViewModel>(
                    ContactListViewModel::Dependencies { &s.contacts, &s.groups, &s.ws });
                QCoro::Task<> task = model->loadContacts();
                return Started { std::move(model), std::move(task) };
            });
        }
        auto auth = [](const char* op) {
            return Start([op](ClientStack& s, const QString&) {
                auto model = std::make_unique<AuthViewModel>(AuthViewModel::Dependencies { &s.auth, &s.keychain, &s.ws });
                model->setUsername(u"mei"_s);
                model->setPassword(u"secret-1"_s);
                QCoro::Task<> task = qstrcmp(op, "login") == 0 ? model->login()
                    : qstrcmp(op, "logout") == 0               ? model->logout()
                                                               : model->refreshCurrentUser();
                return Started { std::move(model), std::move(task) };
            });
        };
        QTest::newRow("login") << u"/api/auth/login"_s << auth("login");
        QTest::newRow("logout") << u"/api/auth/logout"_s << auth("logout");
        QTest::newRow("user refresh") << u"/api/auth/me"_s << auth("refresh");
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
        stack.server.release(held);
        testsupport::runTask(std::move(started.task));
        QCOMPARE(stack.requestCount(held), 1);
    }
};

QTEST_GUILESS_MAIN(TestStateLifetime)
#include "tst_state_lifetime.moc"
