// Both consoles against the real morvane-server with its demo accounts: the
// console entry by role, the administrator's lists, a ban felt by the banned
// user's own client, and an operator's reply reaching the customer's chat.

#include "PaintedCells.h"
#include "ServerClient.h"
#include "ServerProcess.h"
#include "TaskRunner.h"

#include "app/StaffConsoles.h"
#include "models/Message.h"
#include "network/APIClient.h"
#include "network/AuthService.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketService.h"
#include "state/admin/AdminDashboardViewModel.h"
#include "state/admin/GroupManagementViewModel.h"
#include "state/admin/MessageAuditViewModel.h"
#include "state/admin/OperatorConsoleViewModel.h"
#include "state/admin/SensitiveWordsViewModel.h"
#include "state/admin/SystemConfigViewModel.h"
#include "state/admin/UserManagementViewModel.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/admin/OperatorConsoleView.h"
#include "views/admin/UserManagementView.h"

#include <QApplication>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using testsupport::runTask;
using testsupport::ServerProcess;

namespace {

using Client = testsupport::ServerClient;

} // namespace

class TestConsolesEndToEnd : public QObject {
    Q_OBJECT

    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };

private Q_SLOTS:
    void initTestCase()
    {
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    }

    // The server's role decides the entries: the administrator sees both consoles,
    // the operator one, an ordinary user none.
    void entryByRole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("administration");
        QTest::addColumn<bool>("operatorConsole");
        QTest::newRow("admin") << u"admin"_s << u"admin123"_s << true << true;
        QTest::newRow("operator") << u"operator"_s << u"operator123"_s << false << true;
        QTest::newRow("alice") << u"alice"_s << u"alice123"_s << false << false;
    }
    void entryByRole()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, administration);
        QFETCH(bool, operatorConsole);
        Client client(m_server);
        QVERIFY2(client.signIn(name, password), qPrintable(client.session.errorText()));
        StaffConsoles* consoles = StaffConsoles::of(&client.session, &client.api);
        QCOMPARE(consoles->isOffered(StaffConsoles::Console::Administration), administration);
        QCOMPARE(consoles->isOffered(StaffConsoles::Console::Operator), operatorConsole);
    }

    // Every administration list and record the console reads decodes from the real
    // server, searches reach it as typed, and the figures are real.
    void administratorReadsEverything()
    {
        Client admin(m_server);
        QVERIFY(admin.signIn(u"admin"_s, u"admin123"_s));
        AdminDashboardViewModel dashboard(admin.api);
        runTask(dashboard.loadStats());
        QCOMPARE(dashboard.errorMessage(), std::nullopt);
        QVERIFY(dashboard.tileValues().at(0) >= 7);

        UserManagementViewModel users(admin.api);
        runTask(users.load());
        QCOMPARE(users.errorMessage(), std::nullopt);
        QCOMPARE(users.total(), dashboard.tileValues().at(0));
        users.setSearchText(u"张三"_s);
        runTask(users.searchFirstPage());
        QCOMPARE(users.users().size(), 1);
        QCOMPARE(users.users().first().name, std::optional(u"张三"_s));
        users.setSearchText(u"c++"_s);
        runTask(users.searchFirstPage());
        QCOMPARE(users.errorMessage(), std::nullopt);
        QCOMPARE(users.rowCount(), 0);

        GroupManagementViewModel groups(admin.api);
        groups.setSearchText(u"weekend"_s);
        runTask(groups.searchFirstPage());
        QCOMPARE(groups.errorMessage(), std::nullopt);
        QCOMPARE(groups.groups().size(), 1);

        MessageAuditViewModel messages(admin.api);
        runTask(messages.load());
        QCOMPARE(messages.errorMessage(), std::nullopt);
        QVERIFY(messages.rowCount() > 0);

        SystemConfigViewModel config(admin.api);
        runTask(config.load());
        QCOMPARE(config.errorMessage(), std::nullopt);
        QVERIFY(config.canSave());
        SensitiveWordsViewModel words(admin.api);
        runTask(words.loadWords());
        QCOMPARE(words.errorMessage(), std::nullopt);
        QVERIFY(!words.words().isEmpty());

        // An ordinary user is refused by the same calls.
        Client alice(m_server);
        QVERIFY(alice.signIn(u"alice"_s, u"alice123"_s));
        UserManagementViewModel refused(alice.api);
        runTask(refused.load());
        QVERIFY(refused.errorMessage().has_value());
    }

    // The administrator bans a user who is signed in elsewhere: that client loses
    // its channel and its session by itself, with the reason on its login screen, and
    // cannot sign in again; unbanning restores it.
    void banReachesTheBannedClient()
    {
        Client admin(m_server);
        QVERIFY(admin.signIn(u"admin"_s, u"admin123"_s));
        Client lisi(m_server);
        QVERIFY(lisi.signIn(u"lisi"_s, u"lisi123"_s));
        QVERIFY(lisi.connect());

        UserManagementView view(admin.api);
        view.resize(900, 500);
        view.show();
        QTRY_VERIFY(!view.model()->isLoading());
        QTest::keyClicks(view.findChild<QLineEdit*>(u"searchField"_s), u"lisi"_s);
        view.findChild<QPushButton*>(u"searchButton"_s)->click();
        QTRY_VERIFY(view.model()->rowCount() == 1 && view.model()->users().first().openId == u"lisi"_s);
        QVERIFY(clickCellAction(view.table(), 0, 5, u"banButton"_s));
        ConfirmationDialog* confirm = view.findChild<ConfirmationDialog*>();
        QVERIFY(confirm);
        confirm->actionButton()->click();
        QTRY_COMPARE(view.model()->users().first().isBanned, std::optional(true));
        QCOMPARE(view.model()->errorMessage(), std::nullopt);

        QTRY_VERIFY_WITH_TIMEOUT(!lisi.session.isAuthenticated(), 10000);
        QVERIFY(!lisi.ws.isConnected());
        QCOMPARE(lisi.session.errorText(), LocalizationManager::shared().localizedString(u"auth.ended_suspended"_s));
        // Signing in again is refused by the server in the same words, in every language.
        for (AppLanguage language : appLanguage::allCases()) {
            LocalizationManager::shared().setLanguage(language);
            QVERIFY(!lisi.signIn(u"lisi"_s, u"lisi123"_s));
            QCOMPARE(lisi.session.errorText(), LocalizationManager::shared().localizedString(u"auth.ended_suspended"_s));
        }
        LocalizationManager::shared().setLanguage(AppLanguage::en);

        runTask(view.model()->toggleBan(view.model()->users().first()));
        QCOMPARE(view.model()->users().first().isBanned, std::optional(false));
        QVERIFY(lisi.signIn(u"lisi"_s, u"lisi123"_s));
    }

    // A customer nobody seeded writes to the operator from the chat: the console lists a
    // new waiting session with what they wrote, and their next message becomes its last.
    void customerMessageReachesTheConsole()
    {
        Client customer(m_server);
        customer.session.setIsLoginMode(false);
        customer.session.setNickname(u"New Customer"_s);
        QVERIFY2(customer.registerAccount(u"newcustomer"_s, u"secret123"_s), qPrintable(customer.session.errorText()));
        QVERIFY(customer.connect());
        Client serving(m_server);
        QVERIFY(serving.signIn(u"operator"_s, u"operator123"_s));
        const QList<qint64> operatorOnly { serving.id() };
        const qint64 conversation = runTask(customer.chat.createConversation(u"private"_s, std::nullopt, operatorOnly));
        auto chat = customer.chatModel(conversation);
        const auto say = [&](const QString& text) {
            chat->sendMessage(text);
            return QTest::qWaitFor([&] { return chat->messages().constLast().status == std::optional(u"sent"_s); }, testsupport::kPatienceMs);
        };

        OperatorConsoleViewModel console(serving.api);
        const auto waitingOfCustomer = [&] {
            runTask(console.loadData());
            QList<OperatorSession> found;
            for (const OperatorSession& s : console.waitingSessions()) {
                if (s.customerId == customer.id())
                    found.append(s);
            }
            return found;
        };
        QCOMPARE(waitingOfCustomer().size(), 0);

        QVERIFY(say(u"Where is my parcel?"_s));
        QList<OperatorSession> waiting = waitingOfCustomer();
        QCOMPARE(waiting.size(), 1);
        QCOMPARE(waiting[0].customerName, std::optional(u"New Customer"_s));
        QCOMPARE(waiting[0].lastMessage, std::optional(u"Where is my parcel?"_s));

        QVERIFY(say(u"Order 4711, sent last Monday"_s));
        const qint64 id = waiting[0].id;
        waiting = waitingOfCustomer();
        QCOMPARE(waiting.size(), 1);
        QCOMPARE(waiting[0].id, id);
        QCOMPARE(waiting[0].lastMessage, std::optional(u"Order 4711, sent last Monday"_s));
    }

    // The operator takes a waiting customer and replies; the customer's client gets
    // the reply as a chat message.
    void operatorReplyReachesCustomer()
    {
        Client serving(m_server);
        QVERIFY(serving.signIn(u"operator"_s, u"operator123"_s));
        Client bob(m_server);
        QVERIFY(bob.signIn(u"bob"_s, u"bob12345"_s));
        QVERIFY(bob.connect());
        QSignalSpy received(&bob.ws, &WebSocketService::newMessageSubject);

        OperatorConsoleViewModel console(serving.api);
        runTask(console.loadData());
        QCOMPARE(console.errorMessage(), std::nullopt);
        QVERIFY(console.stats().has_value());
        std::optional<OperatorSession> waiting;
        for (const OperatorSession& s : console.waitingSessions()) {
            if (s.customerName && s.customerName->contains(u"Bob"_s))
                waiting = s;
        }
        QVERIFY(waiting);
        const qsizetype activeBefore = console.activeSessions().size();
        console.select(waiting->id);
        runTask(console.acceptSession(waiting->id));
        QCOMPARE(console.errorMessage(), std::nullopt);
        QCOMPARE(console.selectedSession()->status, std::optional(u"active"_s));
        QCOMPARE(console.activeSessions().size(), activeBefore + 1);

        console.setMessageText(u"  您好 Bob, how can I help?  "_s);
        runTask(console.sendMessage(waiting->id));
        QCOMPARE(console.errorMessage(), std::nullopt);
        QCOMPARE(console.messageText(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!received.isEmpty(), 10000);
        const Message message = received.last().at(0).value<Message>();
        QCOMPARE(message.content, std::optional(u"您好 Bob, how can I help?"_s));

        runTask(console.endSession(waiting->id));
        QCOMPARE(console.selectedSession()->status, std::optional(u"ended"_s));
        runTask(console.loadData());
        QCOMPARE(console.selectedSession()->status, std::optional(u"ended"_s));
    }

    // An operator demoted on the server while the console is open: the console's next
    // call is refused, the account is read again, and the console closes saying why.
    void demotedOperatorsConsoleCloses()
    {
        Client serving(m_server);
        QVERIFY(serving.signIn(u"operator"_s, u"operator123"_s));
        StaffConsoles* consoles = StaffConsoles::of(&serving.session, &serving.api);
        consoles->open(StaffConsoles::Console::Operator);
        auto* console = qobject_cast<OperatorConsoleView*>(consoles->window(StaffConsoles::Console::Operator));
        QVERIFY(console);
        QTRY_VERIFY(!console->model()->isLoading());
        QCOMPARE(console->model()->errorMessage(), std::nullopt);

        QCOMPARE(m_server.runOnce({ u"--set-role"_s, u"operator"_s, u"user"_s }), 0);
        runTask(console->model()->loadData());

        QTRY_VERIFY_WITH_TIMEOUT(!consoles->window(StaffConsoles::Console::Operator), 10000);
        QVERIFY(!consoles->isOffered(StaffConsoles::Console::Operator));
        QVERIFY(serving.session.isAuthenticated());
        QMessageBox* notice = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == u"consoleRevokedNotice"_s && widget->isVisible())
                notice = qobject_cast<QMessageBox*>(widget);
        }
        QVERIFY(notice);
        QCOMPARE(notice->text(), LocalizationManager::shared().localizedString(u"console.role_revoked"_s));
        notice->close();
        QCOMPARE(m_server.runOnce({ u"--set-role"_s, u"operator"_s, u"operator"_s }), 0);
    }
};

QTEST_MAIN(TestConsolesEndToEnd)
#include "tst_consoles_end_to_end.moc"
