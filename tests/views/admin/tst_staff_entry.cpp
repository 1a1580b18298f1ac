// The way into the staff consoles: offered by role in the settings list and the
// application menu, opening one window each, closed by signing out.

#include "ClientStack.h"

#include "app/SettingsListView.h"
#include "app/StaffConsoles.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/admin/AdminDashboardViewModel.h"
#include "state/admin/OperatorConsoleViewModel.h"
#include "views/admin/AdminDashboardView.h"
#include "views/admin/OperatorConsoleView.h"
#include "views/common/Localized.h"

#include <QAccessible>
#include <QApplication>
#include <QListWidget>
#include <QNetworkReply>
#include <QPointer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The consoles' first loads get answers, so they end while the test looks on.
void scriptConsoles(RecordingHttpServer& server)
{
    server.respond(u"/api/admin/stats"_s, { 200, "{}" });
    server.respond(procedure("operator.getSessions"), ok("[]"));
    server.respond(procedure("operator.getStats"), ok("{}"));
}

} // namespace

class TestStaffEntry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { LocalizationManager::shared().setLanguage(AppLanguage::en); }

    void offeredByRole_data()
    {
        QTest::addColumn<QString>("role"); // empty: none
        QTest::addColumn<QStringList>("links");
        const QString admin = Localized::text("admin.title");
        const QString serve = Localized::text("operator.title");
        QTest::newRow("admin") << u"admin"_s << QStringList { admin, serve };
        QTest::newRow("operator") << u"operator"_s << QStringList { serve };
        QTest::newRow("vip") << u"vip"_s << QStringList {};
        QTest::newRow("Admin") << u"Admin"_s << QStringList {};
        QTest::newRow("no role") << QString() << QStringList {};
    }
    void offeredByRole()
    {
        QFETCH(QString, role);
        QFETCH(QStringList, links);
        ClientStack stack;
        User user = ClientStack::user(7, u"Staff"_s);
        if (!role.isEmpty())
            user.role = role;
        stack.storeSession(user);
        stack.server.respond(u"/api/auth/me"_s, { 200, "{\"user\":" + json::serialize(json::encode(user).toObject()) + "}" });
        scriptConsoles(stack.server);
        AuthViewModel auth({ &stack.auth, &stack.keychain, &stack.ws, &stack.api });
        StaffConsoles* consoles = StaffConsoles::of(&auth, &stack.api);
        SettingsListView settings(&auth);
        auto* list = settings.findChild<QListWidget*>(u"consoleLinks"_s);
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        QCOMPARE(shown, links);
        QCOMPARE(list->isVisibleTo(&settings), !links.isEmpty());

        // Opening something not offered does nothing; an offered console opens once.
        consoles->open(StaffConsoles::Console::Administration);
        consoles->open(StaffConsoles::Console::Operator);
        QCOMPARE(consoles->window(StaffConsoles::Console::Administration) != nullptr, role == u"admin");
        QCOMPARE(consoles->window(StaffConsoles::Console::Operator) != nullptr, links.contains(Localized::text("operator.title")));
        QPointer<AdminDashboardView> admin = qobject_cast<AdminDashboardView*>(consoles->window(StaffConsoles::Console::Administration));
        QPointer<OperatorConsoleView> serve = qobject_cast<OperatorConsoleView*>(consoles->window(StaffConsoles::Console::Operator));
        QCOMPARE(admin != nullptr, role == u"admin");
        QCOMPARE(serve != nullptr, consoles->isOffered(StaffConsoles::Console::Operator));
        // A screen reader meets each console as a window, not as a pane of nothing.
        for (QWidget* console : { static_cast<QWidget*>(admin.data()), static_cast<QWidget*>(serve.data()) }) {
            if (console)
                QCOMPARE(QAccessible::queryAccessibleInterface(console)->role(), QAccessible::Window);
        }
        // The consoles' first loads end before the client goes away.
        QTRY_VERIFY(!admin || !admin->model()->isLoading());
        QTRY_VERIFY(!serve || !serve->model()->isLoading());
    }

    // Each console's window closes with the platform's close shortcut.
    void closeShortcut_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("administration") << int(StaffConsoles::Console::Administration);
        QTest::newRow("customer service") << int(StaffConsoles::Console::Operator);
    }
    void closeShortcut()
    {
        QFETCH(int, which);
        const auto console = StaffConsoles::Console(which);
        ClientStack stack;
        User user = ClientStack::user(7, u"Staff"_s);
        user.role = u"admin"_s;
        stack.storeSession(user);
        stack.server.respond(u"/api/auth/me"_s, { 200, "{\"user\":" + json::serialize(json::encode(user).toObject()) + "}" });
        scriptConsoles(stack.server);
        AuthViewModel auth({ &stack.auth, &stack.keychain, &stack.ws, &stack.api });
        StaffConsoles* consoles = StaffConsoles::of(&auth, &stack.api);
        consoles->open(console);
        QPointer<QWidget> window = consoles->window(console);
        QVERIFY(window);
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        // Its first loads end before the window does.
        QTRY_VERIFY(stack.api.findChildren<QNetworkReply*>().isEmpty());
        QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!window);
        QCOMPARE(consoles->window(console), nullptr);
    }

    // Signing out closes every console window and withdraws the entries.
    void signingOutCloses()
    {
        ClientStack stack;
        User user = ClientStack::user(7, u"Staff"_s);
        user.role = u"admin"_s;
        stack.storeSession(user);
        stack.server.respond(u"/api/auth/me"_s, { 200, "{\"user\":" + json::serialize(json::encode(user).toObject()) + "}" });
        stack.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        scriptConsoles(stack.server);
        AuthViewModel auth({ &stack.auth, &stack.keychain, &stack.ws, &stack.api });
        StaffConsoles* consoles = StaffConsoles::of(&auth, &stack.api);
        SettingsListView settings(&auth);
        auto* list = settings.findChild<QListWidget*>(u"consoleLinks"_s);
        QCOMPARE(list->count(), 2);
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QPointer<QWidget> admin = consoles->window(StaffConsoles::Console::Administration);
        QVERIFY(admin && admin->isVisible());
        // A link opens its console and is not left chosen, ready to be clicked again.
        QVERIFY(list->selectedItems().isEmpty());
        consoles->open(StaffConsoles::Console::Operator);
        QPointer<QWidget> serve = consoles->window(StaffConsoles::Console::Operator);
        QTRY_VERIFY(!qobject_cast<AdminDashboardView*>(admin.data())->model()->isLoading());
        QTRY_VERIFY(!qobject_cast<OperatorConsoleView*>(serve.data())->model()->isLoading());
        QVERIFY(admin && serve);
        QVERIFY(auth.isAuthenticated());
        testsupport::runTask(auth.logout());
        QTRY_VERIFY(!admin);
        QTRY_VERIFY(!serve);
        QCOMPARE(list->count(), 0);
    }

    // Another account signed in without a sign-out between closes every console,
    // whatever the roles: what the windows hold is the last account's. The same
    // account read again keeps them open.
    void changeOfUserCloses_data()
    {
        QTest::addColumn<QString>("nextRole");
        QTest::addColumn<qint64>("nextId");
        QTest::addColumn<bool>("closes");
        QTest::newRow("another admin") << u"admin"_s << qint64(8) << true;
        QTest::newRow("another user, no role") << QString() << qint64(8) << true;
        QTest::newRow("the same admin, renamed") << u"admin"_s << qint64(7) << false;
    }
    void changeOfUserCloses()
    {
        QFETCH(QString, nextRole);
        QFETCH(qint64, nextId);
        QFETCH(bool, closes);
        ClientStack stack;
        User user = ClientStack::user(7, u"Staff"_s);
        user.role = u"admin"_s;
        stack.storeSession(user);
        const auto answerMe = [&stack](const User& who) {
            stack.server.respond(u"/api/auth/me"_s, { 200, "{\"user\":" + json::serialize(json::encode(who).toObject()) + "}" });
        };
        answerMe(user);
        scriptConsoles(stack.server);
        AuthViewModel auth({ &stack.auth, &stack.keychain, &stack.ws, &stack.api });
        StaffConsoles* consoles = StaffConsoles::of(&auth, &stack.api);
        SettingsListView settings(&auth);
        auto* list = settings.findChild<QListWidget*>(u"consoleLinks"_s);
        QCOMPARE(list->count(), 2);
        list->itemClicked(list->item(0));
        list->itemClicked(list->item(1));
        QPointer<QWidget> admin = consoles->window(StaffConsoles::Console::Administration);
        QPointer<QWidget> serve = consoles->window(StaffConsoles::Console::Operator);
        QVERIFY(admin && serve);
        QTRY_VERIFY(!qobject_cast<AdminDashboardView*>(admin.data())->model()->isLoading());
        QTRY_VERIFY(!qobject_cast<OperatorConsoleView*>(serve.data())->model()->isLoading());

        User next = ClientStack::user(nextId, u"Next"_s);
        if (!nextRole.isEmpty())
            next.role = nextRole;
        answerMe(next);
        testsupport::runTask(auth.refreshCurrentUser());
        QCOMPARE(auth.user()->id, nextId);
        QVERIFY(auth.isAuthenticated());
        QTRY_COMPARE(!admin && !serve, closes);
        QCOMPARE(consoles->window(StaffConsoles::Console::Administration) == nullptr, closes);
        // The change explains itself: no notice that a role was taken away.
        for (const QWidget* top : QApplication::topLevelWidgets())
            QVERIFY(top->objectName() != u"consoleRevokedNotice"_s || !top->isVisible());
        QCOMPARE(list->count(), nextRole == u"admin"_s ? 2 : 0);
    }
};

QTEST_MAIN(TestStaffEntry)
#include "tst_staff_entry.moc"
