// The administration and customer-service consoles worked with the keyboard alone
// and read by a screen reader, in each language: every window and sheet walked by
// Tab from its first control (visual order, no trap, every control reached) and
// swept for names and focus frames; the close shortcut, Escape, the focus a sheet
// takes and gives back, the page a table opens on, and what the names say.

#include "PaintCount.h"
#include "KeyboardWalk.h"
#include "PaintedCells.h"
#include "RecordingHttpServer.h"

#include "network/APIClient.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "state/admin/AdminDashboardViewModel.h"
#include "state/admin/AdminPagedTable.h"
#include "state/admin/OperatorConsoleViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/admin/AddSensitiveWordSheet.h"
#include "views/admin/AdminDashboardView.h"
#include "views/admin/AdminPagedTableView.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/admin/OperatorConsoleView.h"
#include "views/admin/RolePickerSheet.h"
#include "views/admin/SensitiveWordsView.h"
#include "state/admin/AdminSection.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkReply>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTabBar>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray envelope(const QByteArray& json) { return R"({"result":{"data":{"json":)" + json + "}}}"; }

// count records of the form, numbered from 1, joined as JSON.
QByteArray numbered(const char* form, int count)
{
    QStringList records;
    for (int id = 1; id <= count; ++id)
        records << QString::asprintf(form, id, id);
    return records.join(u',').toUtf8();
}

// A server with something on every screen of both consoles.
struct Fixture {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    APIClient api { server.baseUrl(), keychain };

    Fixture()
    {
        keychain.saveText(u"token"_s, u"auth_token"_s);
        server.respond(u"/api/admin/stats"_s, { 200, R"({"totalUsers":12,"onlineUsers":3})" });
        server.respond(u"/api/admin/users"_s,
                       { 200, "{\"total\":45,\"users\":[" + numbered("{\"id\":%d,\"name\":\"User %d\",\"role\":\"vip\"}", 20) + "]}" });
        server.respond(u"/api/admin/groups"_s, { 200, R"({"groups":[{"id":4,"name":"Hikers","memberCount":3,"ownerName":"Al"}]})" });
        server.respond(u"/api/admin/messages"_s, { 200, R"({"messages":[{"id":6,"senderName":"S","content":"hi","type":"text"}]})" });
        server.respond(u"/api/trpc/admin.getSensitiveWords"_s, { 200, envelope(R"([{"id":1,"word":"spamword","category":"spam"}])") });
        server.respond(u"/api/trpc/admin.getSystemConfig"_s, { 200, envelope(R"({"maxGroupMembers":500,"messageRetentionDays":30})") });
        server.respond(u"/api/trpc/operator.getStats"_s, { 200, envelope(R"({"avgResponseTime":125})") });
        respondSessions(R"([{"id":1,"status":"waiting","customerName":"Ann","lastMessage":"Hello"},)"
                        R"({"id":2,"status":"active","customerName":"Bo","createdAt":"2024-05-01 10:00"},)"
                        R"({"id":3,"status":"ended","customerName":"Cy","rating":3}])");
        for (const char* path : { "acceptSession", "endSession", "sendMessage" })
            server.respond(u"/api/trpc/operator."_s + QString::fromLatin1(path), { 200, envelope("null") });
    }
    void respondSessions(const QByteArray& sessions)
    {
        server.respond(u"/api/trpc/operator.getSessions"_s, { 200, envelope(sessions) });
    }
    ~Fixture()
    {
        const bool settled = QTest::qWaitFor([this] { return api.findChildren<QNetworkReply*>().isEmpty(); }, 5000);
        Q_UNUSED(settled);
    }
};

// A console window as the app opens one: deleted when closed.
template <typename Console>
Console* openConsole(APIClient& api)
{
    auto* console = new Console(api);
    console->setAttribute(Qt::WA_DeleteOnClose);
    console->resize(1040, 660);
    console->show();
    return console;
}

// The administration console on a section, once its page has loaded.
AdminDashboardView* adminOn(APIClient& api, AdminSection section)
{
    auto* console = openConsole<AdminDashboardView>(api);
    console->setSelectedTab(section);
    const bool loaded = QTest::qWaitFor([console] {
        if (console->model()->isLoading())
            return false;
        if (auto* table = qobject_cast<AdminPagedTableView*>(console->detail()))
            return table->table()->model()->rowCount() > 0;
        if (auto* words = qobject_cast<SensitiveWordsView*>(console->detail()))
            return words->table()->model()->rowCount() > 0;
        auto* cover = console->detail()->findChild<QWidget*>(u"loadingCover"_s);
        return !cover || !cover->isVisible();
    }, 5000);
    return loaded ? console : nullptr;
}

// The operator console with its sessions listed, the given one selected (0: none).
OperatorConsoleView* operatorWith(APIClient& api, qint64 selected, OperatorConsoleTab tab = OperatorConsoleTab::workspace)
{
    auto* console = openConsole<OperatorConsoleView>(api);
    if (!QTest::qWaitFor([console] { return console->model()->sessions().size() == 3 && !console->model()->isLoading(); }, 5000))
        return nullptr;
    if (selected)
        console->model()->select(selected);
    console->setSelectedTab(tab);
    return console;
}

// The dialog of type T the window shows now.
template <typename T>
T* shownDialog(QWidget* window)
{
    for (T* dialog : window->findChildren<T*>()) {
        if (dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

QTableView* tableOf(AdminDashboardView* console)
{
    return console->detail()->findChild<QTableView*>();
}

// Opens a row's button from the keyboard, as a person would: the row menu's entry.
bool chooseRowAction(QTableView* table, int row, const QString& name)
{
    table->setFocus(Qt::TabFocusReason);
    table->setCurrentIndex(table->model()->index(row, 0));
    QTest::keyClick(table, Qt::Key_Menu);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu)
        return false;
    for (QAction* action : menu->actions()) {
        if (action->objectName() == name) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return true;
        }
    }
    QTest::keyClick(menu, Qt::Key_Escape);
    return false;
}

const QList<std::pair<const char*, AppLanguage>> languages {
    { "en", AppLanguage::en }, { "zh", AppLanguage::zhHans }, { "vi", AppLanguage::vi },
};

} // namespace

class TestConsoleKeyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The program's style, fonts and icons, as the consoles are shown in it.
    void initTestCase() { Appearance::install(); }
    void init() { LocalizationManager::shared().setLanguage(AppLanguage::en); }

    // Every window and sheet of both consoles, in every language: Tab from the
    // first control goes round every control in reading order and comes back,
    // Shift+Tab goes the same way back, and every control has a name without
    // markup and shows when it has the keyboard. The one exception is End, which
    // comes after the reply field below it so that a Tab after Accept never lands on it.
    void everyWindowWalks_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<QString>("screen");
        const QStringList screens { u"operator"_s,        u"operator waiting"_s, u"operator active"_s, u"operator history"_s,
                                    u"operator statistics"_s, u"dashboard"_s,    u"users"_s,           u"groups"_s,
                                    u"messages"_s,        u"sensitiveWords"_s,   u"auditLogs"_s,       u"systemConfig"_s, u"systemConfig unloaded"_s,
                                    u"role sheet"_s,      u"add word sheet"_s,   u"ban confirmation"_s, u"error alert"_s,
                                    u"saved alert"_s };
        for (const auto& [code, language] : languages) {
            for (const QString& screen : screens)
                QTest::newRow(qPrintable(screen + u", "_s + QString::fromLatin1(code))) << language << screen;
        }
    }
    void everyWindowWalks()
    {
        QFETCH(AppLanguage, language);
        QFETCH(QString, screen);
        LocalizationManager::shared().setLanguage(language);
        Fixture f;
        QPointer<QWidget> console;
        QWidget* window = nullptr;
        QStringList except;
        if (screen.startsWith(u"operator")) {
            const qint64 selected = screen.endsWith(u"waiting") ? 1 : screen.endsWith(u"active") ? 2 : screen.endsWith(u"history") ? 3 : 0;
            const OperatorConsoleTab tab = screen.endsWith(u"history")      ? OperatorConsoleTab::history
                                         : screen.endsWith(u"statistics") ? OperatorConsoleTab::statistics
                                                                          : OperatorConsoleTab::workspace;
            auto* op = operatorWith(f.api, selected, tab);
            QVERIFY(op);
            console = window = op;
            if (selected == 2) {
                QTest::keyClicks(op->findChild<QLineEdit*>(u"replyField"_s), u"hi"_s); // the send button takes the keyboard only with a draft
                except << u"endButton/order"_s;
            }
        } else {
            if (screen == u"systemConfig unloaded" || screen == u"error alert") // the form then offers to load again
                f.server.respond(u"/api/trpc/admin.getSystemConfig"_s, { 500, R"({"error":"down"})" });
            const bool config = screen == u"error alert" || screen == u"saved alert";
            const std::optional<AdminSection> section = config ? AdminSection::systemConfig : adminsection::fromRawValue(screen.section(u' ', 0, 0));
            AdminDashboardView* admin = adminOn(f.api, section.value_or(screen == u"add word sheet" ? AdminSection::sensitiveWords
                                                                                                   : AdminSection::users));
            QVERIFY(admin);
            console = window = admin;
            if (screen == u"systemConfig unloaded") {
                QTRY_VERIFY(shownDialog<QMessageBox>(admin));
                shownDialog<QMessageBox>(admin)->buttons().first()->click();
                QVERIFY(admin->findChild<QPushButton*>(u"reloadButton"_s)->isVisible());
            }
            if (screen == u"error alert") {
                QTRY_VERIFY(window = shownDialog<QMessageBox>(admin));
            } else if (screen == u"saved alert") {
                f.server.respond(u"/api/trpc/admin.updateSystemConfig"_s, { 200, envelope("null") });
                QTest::mouseClick(admin->findChild<QPushButton*>(u"saveButton"_s), Qt::LeftButton);
                QTRY_VERIFY(window = shownDialog<QMessageBox>(admin));
            }
            if (screen == u"role sheet") // the other choices are reached with the arrows, as in any radio group
                except << u"role_user/reach"_s << u"role_operator/reach"_s << u"role_admin/reach"_s;
            if (screen == u"role sheet" || screen == u"ban confirmation") {
                QVERIFY(chooseRowAction(tableOf(admin), 0, screen == u"role sheet" ? u"roleButton"_s : u"banButton"_s));
                window = screen == u"role sheet" ? static_cast<QWidget*>(shownDialog<RolePickerSheet>(admin))
                                                 : shownDialog<ConfirmationDialog>(admin);
            } else if (screen == u"add word sheet") {
                QTest::mouseClick(admin->findChild<QPushButton*>(u"addWordButton"_s), Qt::LeftButton);
                window = shownDialog<AddSensitiveWordSheet>(admin);
                QVERIFY(window);
                QTest::keyClicks(window->findChild<QLineEdit*>(u"wordField"_s), u"new"_s); // add is enabled with a word
            }
        }
        QVERIFY(window);
        const QString found = keyboardwalk::problems(window, except);
        if (console)
            console->close();
        QVERIFY2(found.isEmpty(), qPrintable(found));
    }

    // A sheet or dialog closes with Escape and gives the keyboard back to the
    // control it came from.
    void closeKeys_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("role sheet") << u"role sheet"_s;
        QTest::newRow("ban confirmation") << u"ban confirmation"_s;
        QTest::newRow("add word sheet") << u"add word sheet"_s;
    }
    void closeKeys()
    {
        QFETCH(QString, what);
        Fixture f;
        const bool words = what == u"add word sheet";
        QPointer<AdminDashboardView> console = adminOn(f.api, words ? AdminSection::sensitiveWords : AdminSection::users);
        QVERIFY(console);
        QVERIFY(keyboardwalk::activate(console));
        QWidget* opener = words ? console->findChild<QPushButton*>(u"addWordButton"_s) : static_cast<QWidget*>(tableOf(console));
        if (words) {
            opener->setFocus(Qt::TabFocusReason);
            QTest::keyClick(opener, Qt::Key_Space);
        } else {
            QVERIFY(chooseRowAction(tableOf(console), 1, what == u"role sheet" ? u"roleButton"_s : u"banButton"_s));
        }
        QPointer<QDialog> dialog = words ? static_cast<QDialog*>(shownDialog<AddSensitiveWordSheet>(console))
                                 : what == u"role sheet" ? static_cast<QDialog*>(shownDialog<RolePickerSheet>(console))
                                                         : shownDialog<ConfirmationDialog>(console);
        QVERIFY(dialog);
        QVERIFY(keyboardwalk::activate(dialog));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QVERIFY(keyboardwalk::activate(console));
        QCOMPARE(QApplication::focusWidget(), opener);
        if (!words)
            QCOMPARE(tableOf(console)->currentIndex().row(), 1);
        console->close();
    }

    // A sheet opens with the keyboard in its first field: the role sheet on the
    // role the account has, the add sheet in its word field.
    void sheetsOpenOnTheirField_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("focused");
        QTest::newRow("role sheet") << u"role"_s << u"role_vip"_s;
        QTest::newRow("add word sheet") << u"word"_s << u"wordField"_s;
    }
    void sheetsOpenOnTheirField()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, focused);
        Fixture f;
        const bool role = sheet == u"role";
        QPointer<AdminDashboardView> console = adminOn(f.api, role ? AdminSection::users : AdminSection::sensitiveWords);
        QVERIFY(console);
        QVERIFY(keyboardwalk::activate(console));
        if (role) {
            QVERIFY(chooseRowAction(tableOf(console), 0, u"roleButton"_s));
        } else {
            auto* add = console->findChild<QPushButton*>(u"addWordButton"_s);
            add->setFocus(Qt::TabFocusReason);
            QTest::keyClick(add, Qt::Key_Return);
        }
        QDialog* dialog = role ? static_cast<QDialog*>(shownDialog<RolePickerSheet>(console)) : shownDialog<AddSensitiveWordSheet>(console);
        QVERIFY(dialog);
        QVERIFY(keyboardwalk::activate(dialog));
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), focused);
        console->close();
    }

    // The role sheet by keyboard alone: the arrows move between the choices and
    // pick them, as in any radio group, and Return sends the one picked.
    void roleByKeyboard()
    {
        Fixture f;
        f.server.respond(u"/api/admin/users/role"_s, { 200, "{}" });
        QPointer<AdminDashboardView> console = adminOn(f.api, AdminSection::users);
        QVERIFY(console);
        QVERIFY(keyboardwalk::activate(console));
        QVERIFY(chooseRowAction(tableOf(console), 2, u"roleButton"_s));
        auto* sheet = shownDialog<RolePickerSheet>(console);
        QVERIFY(sheet);
        QVERIFY(keyboardwalk::activate(sheet));
        QCOMPARE(QApplication::focusWidget()->objectName(), u"role_vip"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"role_operator"_s);
        QVERIFY(sheet->findChild<QRadioButton*>(u"role_operator"_s)->isChecked());
        QVERIFY(!sheet->findChild<QRadioButton*>(u"role_vip"_s)->isChecked());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(f.server.requestsTo(u"/api/admin/users/role"_s).size(), 1);
        QCOMPARE(f.server.requestsTo(u"/api/admin/users/role"_s).at(0).body, QByteArray(R"({"role":"operator","userId":3})"));
        QVERIFY(keyboardwalk::activate(console));
        QCOMPARE(QApplication::focusWidget(), tableOf(console));
        console->close();
    }

    // A new page opens at its top, whichever way it was asked for; a table entered
    // by Tab shows its current row, the first when it has none, and Down moves on from it.
    void pagesOpenAtTheTop()
    {
        Fixture f;
        QPointer<AdminDashboardView> console = adminOn(f.api, AdminSection::users);
        QVERIFY(console);
        QVERIFY(keyboardwalk::activate(console));
        console->resize(900, 420);
        QTableView* table = tableOf(console);
        QTRY_VERIFY(table->verticalScrollBar()->maximum() > 0);
        auto* screen = qobject_cast<AdminPagedTableView*>(console->detail());
        auto* next = console->findChild<QPushButton*>(u"nextButton"_s);
        table->setFocus(Qt::TabFocusReason);
        QCOMPARE(table->currentIndex().row(), 0);
        QVERIFY(table->selectionModel()->isRowSelected(0, {}));
        QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(table->currentIndex().row(), 1);
        QTest::keyClick(table, Qt::Key_End);
        QCOMPARE(table->verticalScrollBar()->value(), table->verticalScrollBar()->maximum());
        next->setFocus(Qt::TabFocusReason);
        QTest::keyClick(next, Qt::Key_Return);
        QTRY_COMPARE(f.server.requestsTo(u"/api/admin/users"_s).size(), 2);
        QTRY_VERIFY(!console->findChild<AdminPagedTable*>()->isLoading());
        QCOMPARE(console->findChild<AdminPagedTable*>()->page(), 2);
        QTRY_COMPARE(table->verticalScrollBar()->value(), 0);
        QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), table);
        QCOMPARE(table->currentIndex().row(), 0);
        QVERIFY(table->selectionModel()->isRowSelected(0, {}));
        Q_UNUSED(screen);
        console->close();
    }

    // A table the focus comes back to by a click, by its window becoming active again
    // or by its row menu closing draws itself again, so it shows the focus it has;
    // and stays on the row it was on: only Tab chooses a row on the way in.
    void tableShowsReturningFocus_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("click") << u"click"_s;
        QTest::newRow("window") << u"window"_s;
        QTest::newRow("menu") << u"menu"_s;
    }
    void tableShowsReturningFocus()
    {
        QFETCH(QString, way);
        Fixture f;
        QPointer<AdminDashboardView> console = adminOn(f.api, AdminSection::users);
        QVERIFY(console);
        QVERIFY(keyboardwalk::activate(console));
        QTableView* table = tableOf(console);
        table->setFocus(Qt::TabFocusReason);
        QTest::keyClick(table, Qt::Key_Down);
        QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(table->currentIndex().row(), 2);
        auto* search = console->detail()->findChild<QLineEdit*>(u"searchField"_s);
        QVERIFY(search);
        QWidget other;
        if (way == u"click") {
            search->setFocus(Qt::TabFocusReason);
        } else if (way == u"window") {
            other.resize(200, 100);
            other.show();
            QVERIFY(keyboardwalk::activate(&other));
        } else {
            QTest::keyClick(table, Qt::Key_Menu);
            QVERIFY(QApplication::activePopupWidget());
        }
        // An open popup leaves the focus widget as it is, only telling it that it lost the focus.
        QTRY_VERIFY(!table->hasFocus() || QApplication::activePopupWidget());
        QCoreApplication::processEvents();
        PaintCount paints(table->viewport());
        if (way == u"click")
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(2, 1)).center());
        else if (way == u"window")
            QVERIFY(keyboardwalk::activate(console));
        else
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(table->hasFocus() && !QApplication::activePopupWidget());
        QTRY_VERIFY(paints.count > 0);
        QCOMPARE(table->currentIndex().row(), 2);
        QVERIFY(table->selectionModel()->isRowSelected(2, {}));
        console->close();
    }

    // A console opens with its focus shown, before any key: the style draws the
    // ring only for a window it was told the keyboard is in use in.
    void focusShowsAtOpen_data()
    {
        QTest::addColumn<QString>("console");
        QTest::addColumn<QString>("focused");
        QTest::newRow("operator") << u"operator"_s << u"refreshButton"_s;
        QTest::newRow("administration") << u"administration"_s << u"adminSections"_s;
    }
    void focusShowsAtOpen()
    {
        QFETCH(QString, console);
        QFETCH(QString, focused);
        Fixture f;
        QPointer<QWidget> window = console == u"operator" ? static_cast<QWidget*>(operatorWith(f.api, 0))
                                                          : adminOn(f.api, AdminSection::users);
        QVERIFY(window);
        QVERIFY(keyboardwalk::activate(window));
        QWidget* now = QApplication::focusWidget();
        QVERIFY(now);
        QCOMPARE(keyboardwalk::nameOf(now), focused);
        QStyleOption drawn;
        drawn.initFrom(now);
        QVERIFY(drawn.state & QStyle::State_HasFocus);
        QVERIFY(drawn.state & QStyle::State_KeyboardFocusChange);
        window->close();
    }

    // The configuration's Save is marked as the default answer only while the
    // keyboard is in its form, and not on another button: never a second ring.
    void saveMarkedOnlyInItsForm()
    {
        Fixture f;
        QPointer<AdminDashboardView> config = adminOn(f.api, AdminSection::systemConfig);
        QVERIFY(config);
        QVERIFY(keyboardwalk::activate(config));
        auto* save = config->findChild<QPushButton*>(u"saveButton"_s);
        QCOMPARE(keyboardwalk::focusedName(), u"adminSections"_s);
        QVERIFY(!save->isDefault());
        QVERIFY(keyboardwalk::tabTo(u"maxGroupMembersField"_s));
        QVERIFY(save->isDefault());
        QVERIFY(keyboardwalk::tabTo(u"saveButton"_s));
        QVERIFY(save->isDefault());
        QVERIFY(keyboardwalk::tabTo(u"adminSections"_s));
        QVERIFY(!save->isDefault());
        config->close();
    }

    // Row menus open with an entry current, so the arrows and a screen reader start on one.
    void menusOpenOnAnEntry()
    {
        Fixture f;
        QPointer<OperatorConsoleView> op = operatorWith(f.api, 0);
        QVERIFY(op);
        QVERIFY(keyboardwalk::activate(op));
        QListView* list = op->workspaceList();
        list->setFocus(Qt::TabFocusReason);
        list->setCurrentIndex(list->model()->index(1, 0));
        QTest::keyClick(list, Qt::Key_Menu);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QVERIFY(menu->activeAction());
        QCOMPARE(menu->activeAction(), menu->actions().constFirst());
        QTest::keyClick(menu, Qt::Key_Escape);
        op->close();
    }

    // In every language at the smallest console, the words table shows all its
    // columns without scrolling sideways.
    void wordsFitTheSmallestConsole_data()
    {
        QTest::addColumn<AppLanguage>("language");
        for (const auto& [code, language] : languages)
            QTest::newRow(code) << language;
    }
    void wordsFitTheSmallestConsole()
    {
        QFETCH(AppLanguage, language);
        LocalizationManager::shared().setLanguage(language);
        Fixture f;
        // Enough words for the vertical scroll bar, each category's badge among them.
        QStringList words;
        const QStringList categories { u"political"_s, u"porn"_s, u"violence"_s, u"spam"_s, u"fraud"_s, u"illegal"_s, u"other"_s };
        for (int id = 1; id <= 40; ++id)
            words << u"{\"id\":%1,\"word\":\"word %1\",\"category\":\"%2\",\"level\":\"medium\",\"replacement\":\"***\"}"_s.arg(id).arg(categories.at(id % categories.size()));
        f.server.respond(u"/api/trpc/admin.getSensitiveWords"_s, { 200, envelope(u"["_s.toUtf8() + words.join(u',').toUtf8() + "]") });
        QPointer<AdminDashboardView> admin = adminOn(f.api, AdminSection::sensitiveWords);
        QVERIFY(admin);
        admin->setMinimumSize(860, 540); // as the application opens it
        admin->resize(admin->minimumSize());
        QTableView* table = tableOf(admin);
        QTRY_VERIFY(table->verticalScrollBar()->isVisible());
        QTest::qWait(0);
        QCOMPARE(table->horizontalScrollBar()->maximum(), 0);
        admin->close();
    }

    // What a screen reader hears: configuration fields by their own label, the
    // category box by its label with the category as its value, a row button that
    // waits for its request as unavailable, an operator row by all it shows.
    void namesSayWhatIsShown()
    {
        Fixture f;
        f.server.respond(u"/api/admin/users/ban"_s, { 200, "null", {}, true });
        QPointer<AdminDashboardView> config = adminOn(f.api, AdminSection::systemConfig);
        QVERIFY(config);
        QCOMPARE(keyboardwalk::accessibleName(config->findChild<QLineEdit*>(u"maxGroupMembersField"_s)),
                 Localized::text("admin.config_max_members"));
        QCOMPARE(keyboardwalk::accessibleName(config->findChild<QLineEdit*>(u"retentionField"_s)),
                 Localized::text("admin.config_retention"));
        config->setSelectedTab(AdminSection::sensitiveWords);
        QTRY_VERIFY(config->findChild<QPushButton*>(u"addWordButton"_s));
        QTest::mouseClick(config->findChild<QPushButton*>(u"addWordButton"_s), Qt::LeftButton);
        auto* sheet = shownDialog<AddSensitiveWordSheet>(config);
        QVERIFY(sheet);
        auto* category = sheet->findChild<QComboBox*>(u"categoryPicker"_s);
        category->setCurrentIndex(1);
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(category);
        QCOMPARE(box->text(QAccessible::Name), Localized::text("admin.words_category"));
        QCOMPARE(box->text(QAccessible::Value), Localized::text("admin.words_dialog_political"));
        sheet->reject();

        config->setSelectedTab(AdminSection::users);
        QTRY_VERIFY(tableOf(config) && tableOf(config)->model()->rowCount() == 20);
        QTableView* table = tableOf(config);
        const QModelIndex actions = table->model()->index(0, 5);
        const QString ban = Localized::text("admin.users_ban");
        const QString role = Localized::text("admin.users_role");
        QCOMPARE(actions.data(Qt::AccessibleDescriptionRole).toString(), ban + u", "_s + role);
        QVERIFY(clickCellAction(table, 0, 5, u"banButton"_s));
        shownDialog<ConfirmationDialog>(config)->actionButton()->click();
        QTRY_COMPARE(f.server.requestsTo(u"/api/admin/users/ban"_s).size(), 1);
        const QString waiting = u"%1 (unavailable), %2"_s.arg(ban, role);
        QCOMPARE(actions.data(Qt::AccessibleDescriptionRole).toString(), waiting);
        QCOMPARE(actions.data(Qt::AccessibleTextRole).toString(), waiting);
        f.server.release(u"/api/admin/users/ban"_s);
        QTRY_COMPARE(actions.data(Qt::AccessibleDescriptionRole).toString(), Localized::text("admin.users_unban") + u", "_s + role);
        config->close();

        QPointer<OperatorConsoleView> op = operatorWith(f.api, 0);
        QVERIFY(op);
        const auto rowText = [](QListView* list, int row) {
            return list->model()->index(row, 0).data(Qt::AccessibleTextRole).toString();
        };
        QCOMPARE(rowText(op->workspaceList(), 1), u"Ann, Hello"_s);
        QCOMPARE(rowText(op->workspaceList(), 3), u"Bo, 2024-05-01 10:00"_s);
        QCOMPARE(rowText(op->historyList(), 0), u"Cy, Rated 3 of 5"_s);
        QCOMPARE(op->workspaceList()->model()->index(1, 0).data(Qt::AccessibleDescriptionRole).toString(),
                 Localized::text("operator.accept"));
        QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(op->findChild<QTabBar*>(u"consoleTabs"_s));
        QStringList pageTabs;
        for (int i = 0; i < tabs->childCount(); ++i) {
            if (tabs->child(i)->role() == QAccessible::PageTab)
                pageTabs << tabs->child(i)->text(QAccessible::Name);
        }
        QCOMPARE(pageTabs, (QStringList { Localized::text("operator.workspace"), Localized::text("operator.history"),
                                          Localized::text("operator.statistics") }));
        op->close();
    }
};

QTEST_MAIN(TestConsoleKeyboard)
#include "tst_console_keyboard.moc"
