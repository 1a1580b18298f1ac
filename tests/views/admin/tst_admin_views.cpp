// The administration console's screens, offscreen, against a recording server:
// sections, tables, row actions with their dialogs and sheets, the configuration
// form, the sensitive words and their add sheet.

#include "ListKeys.h"
#include "RoundTrip.h"
#include "PaintLog.h"
#include "PainterState.h"
#include "PaintedCells.h"
#include "RecordingHttpServer.h"
#include "ShownToolTip.h"
#include "Snapshot.h"
#include "StatTile.h"

#include "network/APIClient.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "state/admin/AdminDashboardViewModel.h"
#include "state/admin/GroupManagementViewModel.h"
#include "state/admin/MessageAuditViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/common/PrintfFormat.h"
#include "state/admin/SensitiveWordsViewModel.h"
#include "state/admin/SystemConfigViewModel.h"
#include "state/admin/UserManagementViewModel.h"
#include "views/admin/AddSensitiveWordSheet.h"
#include "views/admin/AdminCellDelegate.h"
#include "views/admin/TintColor.h"
#include "views/admin/AdminDashboardView.h"
#include "views/admin/AdminPagedTableView.h"
#include "views/admin/AdminOverviewView.h"
#include "views/admin/AdminStatCard.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/admin/GroupManagementView.h"
#include "views/admin/MessageAuditView.h"
#include "views/admin/RolePickerSheet.h"
#include "views/admin/SensitiveWordsTableModel.h"
#include "views/admin/SensitiveWordsView.h"
#include "views/admin/SystemConfigView.h"
#include "views/admin/UserManagementView.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/RowAction.h"
#include "views/common/Spinner.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStyleFactory>
#include <QTableView>
#include <QToolButton>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Fixture {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    APIClient api { server.baseUrl(), keychain };
    Fixture() { keychain.saveText(u"token"_s, u"auth_token"_s); }
    // Every reply is taken in before the client goes away, so no call is left waiting.
    ~Fixture()
    {
        const bool settled = QTest::qWaitFor([this] { return api.findChildren<QNetworkReply*>().isEmpty(); }, testsupport::kPatienceMs);
        Q_UNUSED(settled);
    }
    int count(const QString& path) const { return int(server.requestsTo(path).size()); }
};

QByteArray envelope(const QByteArray& json) { return R"({"result":{"data":{"json":)" + json + "}}}"; }

template <typename T>
T* child(QObject* root, const QString& name)
{
    return root->findChild<T*>(name);
}

// The dialog or sheet the screen opened last, of type T.
template <typename T>
T* openDialog(QWidget* screen)
{
    const QList<T*> all = screen->findChildren<T*>();
    for (T* dialog : all) {
        if (dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// Presses the action of the confirmation the screen has open; false when none is
// open. The dialog deletes itself once answered, so nothing holds on to it.
bool confirmOpenDialog(QWidget* screen)
{
    QPointer<ConfirmationDialog> dialog = openDialog<ConfirmationDialog>(screen);
    if (!dialog)
        return false;
    dialog->actionButton()->click();
    return true;
}

QString cellText(QTableView* table, int row, int column)
{
    return table->model()->index(row, column).data().toString();
}

// Whether one of the model's dataChanged signals the spy caught covers that cell: a
// view draws a cell again only when told.
bool redrawn(const QSignalSpy& changes, int row, int column)
{
    return std::any_of(changes.cbegin(), changes.cend(), [row, column](const QList<QVariant>& change) {
        const QModelIndex first = change.at(0).toModelIndex();
        const QModelIndex last = change.at(1).toModelIndex();
        return first.row() <= row && last.row() >= row && first.column() <= column && last.column() >= column;
    });
}

// Kept out of the test class: moc skips a class body whose raw string holds two slashes.
const char* const twoMessages = "{\"messages\":[{\"id\":6,\"content\":\"a\"},"
                                "{\"id\":7,\"senderName\":\"S\",\"content\":\"<img src=file:///etc/passwd>\"}]}";

// The console on its sensitive-words section, shown as the app shows it.
SensitiveWordsView* showWords(AdminDashboardView& console)
{
    console.setSelectedTab(AdminSection::sensitiveWords);
    console.resize(1000, 600);
    console.show();
    return qobject_cast<SensitiveWordsView*>(console.detail());
}

// Return typed with the focus on a confirmation's action button, as after a Tab.
void pressReturnOnAction(ConfirmationDialog* dialog)
{
    QApplication::setActiveWindow(dialog);
    dialog->actionButton()->setFocus();
    QTest::keyClick(dialog->actionButton(), Qt::Key_Return);
}


// A style that spaces controls as the platforms do: one spacing for all (metric) or,
// with the metric at -1, by the kinds of the two controls (kinds); -1 for neither.
class SpacingStyle : public QProxyStyle {
public:
    SpacingStyle(int metric, int kinds)
        : QProxyStyle(QStyleFactory::create(u"Fusion"_s))
        , m_metric(metric)
        , m_kinds(kinds)
    {
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        return metric == PM_LayoutHorizontalSpacing ? m_metric : QProxyStyle::pixelMetric(metric, option, widget);
    }
    int layoutSpacing(QSizePolicy::ControlType, QSizePolicy::ControlType, Qt::Orientation orientation, const QStyleOption*,
                      const QWidget*) const override
    {
        return orientation == Qt::Horizontal ? m_kinds : -1;
    }

private:
    int m_metric;
    int m_kinds;
};

// A list of count records of the form, numbered from 1, joined as JSON.
QByteArray numbered(const char* form, int count)
{
    QStringList records;
    for (int id = 1; id <= count; ++id)
        records << QString::asprintf(form, id, id);
    return records.join(u',').toUtf8();
}

} // namespace

class TestAdminViews : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        Icons::install();
        Snapshot::holdStill();
    }

    // The eight sections in order; the two coming pages send nothing; the statistics
    // survive section changes while a section screen is built afresh.
    void consoleSections()
    {
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, R"({"totalUsers":12,"onlineUsers":3})" });
        f.server.respond(u"/api/admin/groups"_s, { 200, R"({"groups":[{"id":1,"name":"g"}]})" });
        AdminDashboardView console(f.api);
        console.resize(1000, 600);
        console.show();
        auto* sections = child<QListWidget>(&console, u"adminSections"_s);
        QCOMPARE(sections->count(), 8);
        QCOMPARE(sections->item(4)->text(), Localized::text("admin.sensitive_words"));
        QTRY_COMPARE(console.model()->tileValues(), (QList<qint64> { 12, 3, 0, 0 }));
        auto* overview = console.findChild<AdminOverviewView*>();
        QVERIFY(overview);
        QCOMPARE(overview->cards().at(0)->value(), u"12"_s);
        QCOMPARE(overview->cards().at(3)->value(), u"0"_s);
        // A screen reader gets each figure with what it counts, as the card shows them.
        QCOMPARE(QAccessible::queryAccessibleInterface(overview->cards().at(0))->text(QAccessible::Name),
                 u"12, "_s + Localized::text("admin.total_users"));
        QVERIFY(QTest::qWaitForWindowExposed(&console));
        VERIFY_SNAPSHOT(&console, u"console-dashboard"_s);

        const int before = int(f.server.requests().size());
        for (int row : { 5, 6 }) {
            sections->setCurrentRow(row);
            QVERIFY(child<QWidget>(console.detail(), u"comingPage"_s) || console.detail()->objectName() == u"comingPage");
        }
        QCOMPARE(child<QLabel>(console.detail(), u"comingNote"_s)->text(), Localized::text("admin.reports_coming"));
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(int(f.server.requests().size()), before);

        sections->setCurrentRow(2);
        QTRY_COMPARE(f.count(u"/api/admin/groups"_s), 1);
        auto* groups = qobject_cast<GroupManagementView*>(console.detail());
        QVERIFY(groups);
        QTRY_COMPARE(groups->model()->rowCount(), 1);
        // Picked while the console is on screen, the section shows in place of the last.
        QTRY_VERIFY(groups->table()->isVisible());
        VERIFY_SNAPSHOT(&console, u"console-groups"_s);
        sections->setCurrentRow(0);
        sections->setCurrentRow(2);
        QTRY_COMPARE(f.count(u"/api/admin/groups"_s), 2);
        QCOMPARE(qobject_cast<GroupManagementView*>(console.detail())->model()->page(), 1);
        QTRY_VERIFY(!qobject_cast<GroupManagementView*>(console.detail())->model()->isLoading());
        sections->setCurrentRow(0);
        QCOMPARE(console.findChild<AdminOverviewView*>()->cards().at(0)->value(), u"12"_s);
        QCOMPARE(f.count(u"/api/admin/stats"_s), 1);
    }

    // A section still to come: its icon, its title in the second title font
    // and its note in a paler colour still, one under the other at one spacing,
    // the three centred in the pane both ways.
    void comingPageLayout_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("titleKey");
        QTest::addColumn<QString>("noteKey");
        QTest::newRow("audit logs") << int(AdminSection::auditLogs) << u"list.clipboard"_s << u"admin.audit_logs"_s << u"admin.logs_coming"_s;
        QTest::newRow("reports") << int(AdminSection::reports) << u"chart.bar"_s << u"admin.reports"_s << u"admin.reports_coming"_s;
    }
    void comingPageLayout()
    {
        QFETCH(int, section);
        QFETCH(QString, symbol);
        QFETCH(QString, titleKey);
        QFETCH(QString, noteKey);
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        AdminDashboardView console(f.api);
        console.resize(1000, 600);
        console.show();
        console.setSelectedTab(AdminSection(section));
        QWidget* page = console.detail()->objectName() == u"comingPage" ? console.detail() : child<QWidget>(console.detail(), u"comingPage"_s);
        QVERIFY(page);
        QTRY_VERIFY(page->isVisible());
        QLabel* icon = nullptr;
        for (QLabel* label : page->findChildren<QLabel*>()) {
            if (label->property(Icons::SymbolProperty).isValid())
                icon = label;
        }
        auto* title = child<QLabel>(page, u"comingTitle"_s);
        auto* note = child<QLabel>(page, u"comingNote"_s);
        QVERIFY(icon && title && note);
        QCOMPARE(icon->property(Icons::SymbolProperty).toString(), symbol);
        QCOMPARE(title->text(), Localized::text(titleKey));
        QCOMPARE(title->font().pixelSize(), Appearance::font(Appearance::TextStyle::Title2).pixelSize());
        QCOMPARE(title->palette().color(QPalette::WindowText), Appearance::secondaryText());
        QCOMPARE(note->text(), Localized::text(noteKey));
        QVERIFY2(note->palette().color(QPalette::WindowText).lightness() > Appearance::secondaryText().lightness(), "tertiary: paler than secondary");
        QCOMPARE(icon->height(), icon->sizeHint().height());
        const QList<QLabel*> column { icon, title, note };
        for (QLabel* label : column) {
            const QRect shown(label->mapTo(page, QPoint()), label->size());
            QVERIFY2(qAbs(shown.center().x() - page->rect().center().x()) <= 1, qPrintable(label->text()));
        }
        const int firstGap = title->mapTo(page, QPoint()).y() - icon->mapTo(page, QPoint(0, icon->height())).y();
        const int secondGap = note->mapTo(page, QPoint()).y() - title->mapTo(page, QPoint(0, title->height())).y();
        QVERIFY(firstGap >= 0);
        QCOMPARE(secondGap, firstGap);
        const int above = icon->mapTo(page, QPoint()).y();
        const int below = page->height() - note->mapTo(page, QPoint(0, note->height())).y();
        QVERIFY2(qAbs(above - below) <= 1, qPrintable(u"%1 above, %2 below"_s.arg(above).arg(below)));
        VERIFY_SNAPSHOT(&console, u"coming-"_s + symbol);
    }

    // A failed statistics load shows the console's alert whichever section is shown.
    void consoleStatsFailureAlert()
    {
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 500, R"({"error":"stats down"})" });
        f.server.respond(u"/api/trpc/admin.getSensitiveWords"_s, { 200, envelope("[]") });
        AdminDashboardView console(f.api);
        console.setSelectedTab(AdminSection::sensitiveWords);
        console.show();
        QTRY_VERIFY(openDialog<QMessageBox>(&console));
        QTRY_VERIFY(!qobject_cast<SensitiveWordsView*>(console.detail())->model()->isLoading());
        QMessageBox* alert = openDialog<QMessageBox>(&console);
        QCOMPARE(alert->text(), Localized::text("admin.load_stats_failed") + u"stats down"_s);
        QCOMPARE(alert->textFormat(), Qt::PlainText);
        alert->buttons().first()->click();
        QCOMPARE(console.model()->errorMessage(), std::nullopt);
    }

    // The users table: cells, badges, status and buttons from each row's record.
    void userRows()
    {
        Fixture f;
        f.server.respond(u"/api/admin/users"_s,
                         { 200, R"({"users":[{"id":1,"name":"<b>Ann</b>","openId":"o1","role":"admin"},)"
                                R"({"id":2,"isBanned":true,"role":"Admin"},{"id":3,"role":"vip","isBanned":false}],"total":45})" });
        UserManagementView view(f.api);
        view.resize(900, 500);
        view.show();
        QTRY_COMPARE(view.table()->model()->rowCount(), 3);
        // Shown again (its section left and come back to), it keeps what it loaded.
        view.hide();
        view.show();
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.count(u"/api/admin/users"_s), 1);
        QTableView* table = view.table();
        QCOMPARE(cellText(table, 0, 1), u"<b>Ann</b>"_s);
        QCOMPARE(shownToolTip(cellData(table, 0, 1, Qt::ToolTipRole).toString()), u"<b>Ann</b>"_s);
        QCOMPARE(cellText(table, 1, 1), u"-"_s);
        QCOMPARE(cellText(table, 1, 2), u"-"_s);
        QCOMPARE(cellText(table, 0, 3), u"admin"_s);
        QCOMPARE(cellData(table, 0, 3, AdminCellDelegate::KindRole).toInt(), int(AdminCellDelegate::Kind::Badge));
        QCOMPARE(cellData(table, 0, 3, AdminCellDelegate::TintRole).toInt(), int(Tint::Red));
        QCOMPARE(cellData(table, 1, 3, AdminCellDelegate::TintRole).toInt(), int(Tint::Blue));
        QCOMPARE(cellData(table, 2, 3, AdminCellDelegate::TintRole).toInt(), int(Tint::Purple));
        QCOMPARE(cellText(table, 1, 4), Localized::text("admin.users_banned"));
        QCOMPARE(cellData(table, 1, 4, AdminCellDelegate::TintRole).toInt(), int(Tint::Red));
        QCOMPARE(cellText(table, 2, 4), Localized::text("admin.users_normal"));
        QCOMPARE(cellAction(table, 1, 5, u"banButton"_s)->text, Localized::text("admin.users_unban"));
        QCOMPARE(cellAction(table, 1, 5, u"banButton"_s)->color, tintColor(Tint::Green));
        QCOMPARE(cellAction(table, 0, 5, u"banButton"_s)->color, tintColor(Tint::Red));
        // On the selection's blue the role capsule is white, so the blue "user" badge stays readable.
        table->selectRow(1);
        const QRect badgeCell = table->visualRect(table->model()->index(1, 3));
        const QImage shot = table->viewport()->grab().toImage();
        QCOMPARE(shot.pixelColor(badgeCell.left() + 4 + 3, badgeCell.center().y()), QColor(Qt::white));
        QCOMPARE(table->model()->headerData(2, Qt::Horizontal).toString(), Localized::text("admin.users_imid"));
        QVERIFY(table->model()->headerData(2, Qt::Horizontal) != table->model()->headerData(0, Qt::Horizontal));
        QCOMPARE(child<QLabel>(&view, u"totalLabel"_s)->text(), u"45 users"_s);
        QCOMPARE(child<QLabel>(&view, u"pageLabel"_s)->text(), u"Page 1"_s);
        QVERIFY(!child<QPushButton>(&view, u"previousButton"_s)->isEnabled());
        QVERIFY(!child<QPushButton>(&view, u"nextButton"_s)->isEnabled());
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        VERIFY_SNAPSHOT(&view, u"users"_s);
    }

    // Ban: the title names the action and the account (empty without a name), only a
    // The search of each table screen runs from its field (Return or Enter) as from
    // its button, on the first page; typing alone asks for nothing.
    void searchRunsFromTheField_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("trigger");
        for (const QString& path : { u"/api/admin/users"_s, u"/api/admin/groups"_s, u"/api/admin/messages"_s }) {
            for (const QString& trigger : { u"Return"_s, u"Enter"_s, u"button"_s })
                QTest::addRow("%s, %s", qPrintable(path.section(u'/', -1)), qPrintable(trigger)) << path << trigger;
        }
    }
    void searchRunsFromTheField()
    {
        QFETCH(QString, path);
        QFETCH(QString, trigger);
        Fixture f;
        const QString key = path.section(u'/', -1);
        // A full page (30 rows fill the largest), so there is a next one.
        QByteArrayList rows;
        for (int id = 1; id <= 30; ++id)
            rows << "{\"id\":" + QByteArray::number(id) + "}";
        f.server.respond(path, { 200, "{\"" + key.toLatin1() + "\":[" + rows.join(',') + "],\"total\":45}" });
        std::unique_ptr<QWidget> view;
        if (key == u"users")
            view = std::make_unique<UserManagementView>(f.api);
        else if (key == u"groups")
            view = std::make_unique<GroupManagementView>(f.api);
        else
            view = std::make_unique<MessageAuditView>(f.api);
        view->resize(900, 500);
        view->show();
        QTRY_COMPARE(f.count(path), 1);
        // From a later page: the search starts again at the first.
        auto* next = child<QPushButton>(view.get(), u"nextButton"_s);
        QVERIFY(next);
        QTRY_VERIFY(next->isEnabled());
        next->click();
        QTRY_COMPARE(f.count(path), 2);
        auto* field = child<QLineEdit>(view.get(), u"searchField"_s);
        QVERIFY(field);
        QTest::keyClicks(field, u"bo b"_s);
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.count(path), 2);
        if (trigger == u"button") {
            auto* button = child<QPushButton>(view.get(), u"searchButton"_s);
            QVERIFY(button);
            button->click();
        } else {
            QTest::keyClick(field, trigger == u"Return" ? Qt::Key_Return : Qt::Key_Enter);
        }
        QTRY_COMPARE(f.count(path), 3);
        const QByteArray query = f.server.requestsTo(path).at(2).rawQuery;
        QVERIFY2(query.startsWith("page=1&") && query.endsWith("&search=bo%20b"), query.constData());
    }

    // ban is destructive, confirming sends the flipped flag, the row follows.
    void banDialog()
    {
        Fixture f;
        f.server.respond(u"/api/admin/users"_s, { 200, R"({"users":[{"id":2,"isBanned":true},{"id":3,"name":"Bo"}]})" });
        f.server.respond(u"/api/admin/users/ban"_s, { 200, QByteArray() });
        UserManagementView view(f.api);
        view.show();
        QTRY_COMPARE(view.table()->model()->rowCount(), 2);
        QVERIFY(clickCellAction(view.table(), 0, 5, u"banButton"_s));
        auto* dialog = openDialog<ConfirmationDialog>(&view);
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), u"Unban the user “”?"_s);
        QCOMPARE(dialog->actionButton()->property("destructive").toBool(), false);
        dialog->cancelButton()->click();
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.count(u"/api/admin/users/ban"_s), 0);

        QVERIFY(clickCellAction(view.table(), 1, 5, u"banButton"_s));
        dialog = openDialog<ConfirmationDialog>(&view);
        QCOMPARE(dialog->text(), u"Ban the user “Bo”?"_s);
        QCOMPARE(dialog->actionButton()->property("destructive").toBool(), true);
        dialog->actionButton()->click();
        QTRY_COMPARE(cellAction(view.table(), 1, 5, u"banButton"_s)->text, Localized::text("admin.users_unban"));
        QCOMPARE(f.server.requestsTo(u"/api/admin/users/ban"_s).at(0).body, QByteArray(R"({"banned":true,"userId":3})"));
    }

    // The role sheet starts on the account's role (none for an unknown one), sends
    // the choice on OK even unchanged, and nothing on cancel.
    void roleSheet_data()
    {
        QTest::addColumn<QByteArray>("role"); // JSON of "role"
        QTest::addColumn<QString>("checked"); // empty: nothing checked
        QTest::addColumn<QString>("pick"); // empty: keep
        QTest::addColumn<QString>("sent");
        QTest::newRow("absent") << QByteArray("null") << u"user"_s << QString() << u"user"_s;
        QTest::newRow("operator to vip") << QByteArray("\"operator\"") << u"operator"_s << u"vip"_s << u"vip"_s;
        QTest::newRow("unknown kept") << QByteArray("\"Moderator\"") << QString() << QString() << u"Moderator"_s;
    }
    void roleSheet()
    {
        QFETCH(QByteArray, role);
        QFETCH(QString, checked);
        QFETCH(QString, pick);
        QFETCH(QString, sent);
        Fixture f;
        f.server.respond(u"/api/admin/users"_s, { 200, R"({"users":[{"id":5,"role":)" + role + "}]}" });
        f.server.respond(u"/api/admin/users/role"_s, { 200, "{}" });
        UserManagementView view(f.api);
        view.show();
        QTRY_COMPARE(view.table()->model()->rowCount(), 1);
        QVERIFY(clickCellAction(view.table(), 0, 5, u"roleButton"_s));
        auto* sheet = openDialog<RolePickerSheet>(&view);
        QVERIFY(sheet);
        QCOMPARE(child<QLabel>(sheet, u"roleUserLabel"_s)->text(), u"User: -"_s);
        for (const QString& r : UserManagementViewModel::roles())
            QCOMPARE(child<QRadioButton>(sheet, u"role_"_s + r)->isChecked(), r == checked);
        child<QPushButton>(sheet, u"cancelButton"_s)->click();
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.count(u"/api/admin/users/role"_s), 0);

        QVERIFY(clickCellAction(view.table(), 0, 5, u"roleButton"_s));
        sheet = openDialog<RolePickerSheet>(&view);
        if (!pick.isEmpty())
            child<QRadioButton>(sheet, u"role_"_s + pick)->click();
        child<QPushButton>(sheet, u"okButton"_s)->click();
        QTRY_COMPARE(f.count(u"/api/admin/users/role"_s), 1);
        QCOMPARE(f.server.requestsTo(u"/api/admin/users/role"_s).at(0).body, QByteArray(R"({"role":")" + sent.toUtf8() + R"(","userId":5})"));
        QTRY_COMPARE(cellText(view.table(), 0, 3), sent);
    }

    // Groups: fallbacks of the cells, dissolving the only row shows the empty state
    // on the same page with next disabled.
    void groupsDissolve()
    {
        Fixture f;
        f.server.respond(u"/api/admin/groups"_s, { 200, R"({"groups":[{"id":4,"ownerId":77,"isActive":false}],"total":0})" });
        f.server.respond(u"/api/admin/groups/dissolve"_s, { 200, QByteArray() });
        GroupManagementView view(f.api);
        view.resize(900, 400);
        view.show();
        QTRY_COMPARE(view.table()->model()->rowCount(), 1);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        VERIFY_SNAPSHOT(&view, u"groups"_s);
        QCOMPARE(cellText(view.table(), 0, 1), u"-"_s);
        QCOMPARE(cellText(view.table(), 0, 2), u"0"_s);
        QCOMPARE(cellText(view.table(), 0, 3), u"77"_s);
        QCOMPARE(cellText(view.table(), 0, 4), u"-"_s);
        QVERIFY(clickCellAction(view.table(), 0, 5, u"dissolveButton"_s));
        auto* dialog = openDialog<ConfirmationDialog>(&view);
        QCOMPARE(dialog->text(), u"Dissolve the group “”?"_s);
        dialog->actionButton()->click();
        QTRY_VERIFY(child<QWidget>(&view, u"emptyPage"_s)->isVisible());
        QCOMPARE(child<QLabel>(&view, u"emptyTitle"_s)->text(), Localized::text("admin.groups_empty"));
        QCOMPARE(child<QLabel>(&view, u"totalLabel"_s)->text(), u"0 groups"_s);
        QVERIFY(!child<QPushButton>(&view, u"nextButton"_s)->isEnabled());
        VERIFY_SNAPSHOT(&view, u"groups-empty"_s);
    }

    // Audit: sender and type fallbacks, the deleted mark instead of the button, and
    // delete turning the button into the mark.
    void auditRows()
    {
        Fixture f;
        f.server.respond(u"/api/admin/messages"_s,
                         { 200, R"({"messages":[{"id":1},{"id":2,"senderId":8,"type":"image","isDeleted":true},)"
                                R"({"id":3,"senderName":"S","type":"sticker","content":"hi"}]})" });
        f.server.respond(u"/api/admin/messages/delete"_s, { 200, "null" });
        MessageAuditView view(f.api);
        view.resize(900, 400);
        view.show();
        QTRY_COMPARE(view.table()->model()->rowCount(), 3);
        QTableView* table = view.table();
        QCOMPARE(cellText(table, 0, 1), u"0"_s);
        QCOMPARE(cellText(table, 1, 1), u"8"_s);
        QCOMPARE(cellText(table, 0, 3), u"-"_s);
        QCOMPARE(cellText(table, 0, 2), u"text"_s);
        QCOMPARE(cellData(table, 0, 2, AdminCellDelegate::TintRole).toInt(), int(Tint::Gray));
        QCOMPARE(cellData(table, 1, 2, AdminCellDelegate::TintRole).toInt(), int(Tint::Green));
        QCOMPARE(cellText(table, 2, 2), u"sticker"_s);
        QCOMPARE(cellText(table, 1, 5), Localized::text("admin.messages_deleted"));
        QVERIFY(!cellAction(table, 1, 5, u"deleteButton"_s));
        QVERIFY(clickCellAction(table, 2, 5, u"deleteButton"_s));
        QVERIFY(confirmOpenDialog(&view));
        QTRY_VERIFY(!cellAction(table, 2, 5, u"deleteButton"_s));
        QCOMPARE(f.server.requestsTo(u"/api/admin/messages/delete"_s).at(0).body, QByteArray(R"({"messageId":3})"));
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        VERIFY_SNAPSHOT(&view, u"messages"_s);
    }

    // Each table's destructive row action through the console as the app hosts it:
    // its own confirmation (a title and no message, Return cancels), its own request, the
    // button disabled while it runs and a second press opening nothing, and the
    // row redrawn alone afterwards.
    void rowActionsInConsole_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("listPath");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("actionPath");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("ban") << int(AdminSection::users) << u"/api/admin/users"_s
                             << QByteArray(R"({"users":[{"id":2,"name":"Al"},{"id":3,"name":"Bo"}]})") << u"banButton"_s
                             << u"Ban the user “Bo”?"_s << u"/api/admin/users/ban"_s << QByteArray(R"({"banned":true,"userId":3})");
        QTest::newRow("dissolve") << int(AdminSection::groups) << u"/api/admin/groups"_s
                                  << QByteArray(R"({"groups":[{"id":4,"name":"g4"},{"id":5,"name":"g5"}]})") << u"dissolveButton"_s
                                  << u"Dissolve the group “g5”?"_s << u"/api/admin/groups/dissolve"_s << QByteArray(R"({"groupId":5})");
        QTest::newRow("delete") << int(AdminSection::messages) << u"/api/admin/messages"_s
                                << QByteArray(twoMessages)
                                << u"deleteButton"_s << u"Delete this message?"_s
                                << u"/api/admin/messages/delete"_s << QByteArray(R"({"messageId":7})");
    }
    void rowActionsInConsole()
    {
        QFETCH(int, section);
        QFETCH(QString, listPath);
        QFETCH(QByteArray, list);
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(QString, actionPath);
        QFETCH(QByteArray, body);
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(listPath, { 200, list });
        f.server.respond(actionPath, { 200, "null", {}, true });
        AdminDashboardView console(f.api);
        console.setSelectedTab(AdminSection(section));
        console.resize(1000, 600);
        console.show();
        auto* screen = qobject_cast<AdminPagedTableView*>(console.detail());
        QVERIFY(screen);
        QTableView* table = screen->table();
        QTRY_COMPARE(table->model()->rowCount(), 2);

        QVERIFY(clickCellAction(table, 1, 5, button));
        auto* dialog = openDialog<ConfirmationDialog>(screen);
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), title);
        QVERIFY(dialog->informativeText().isEmpty());
        QVERIFY(dialog->detailedText().isEmpty());
        pressReturnOnAction(dialog);
        QTRY_VERIFY(!openDialog<ConfirmationDialog>(screen));
        QCOMPARE(f.count(actionPath), 0);

        QVERIFY(clickCellAction(table, 1, 5, button));
        QSignalSpy changes(table->model(), &QAbstractItemModel::dataChanged);
        QVERIFY(confirmOpenDialog(screen));
        QTRY_COMPARE(f.count(actionPath), 1);
        QCOMPARE(f.server.requestsTo(actionPath).at(0).body, body);
        QVERIFY(redrawn(changes, 1, 5));
        QVERIFY(!cellActionEnabled(table, 1, 5, button));
        QVERIFY(cellActionEnabled(table, 0, 5, button));
        QVERIFY(clickCellAction(table, 1, 5, button));
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QVERIFY(!openDialog<ConfirmationDialog>(screen));

        QSignalSpy resets(table->model(), &QAbstractItemModel::modelReset);
        f.server.release(actionPath);
        if (button == u"banButton") {
            QTRY_VERIFY(cellActionEnabled(table, 1, 5, button));
            QCOMPARE(cellAction(table, 1, 5, button)->text, Localized::text("admin.users_unban"));
        } else if (button == u"deleteButton") {
            QTRY_COMPARE(cellText(table, 1, 5), Localized::text("admin.messages_deleted"));
        } else {
            QTRY_COMPARE(table->model()->rowCount(), 1);
        }
        // A patched row is redrawn alone; only a row that went away redraws the page.
        QCOMPARE(resets.count(), button == u"dissolveButton" ? 1 : 0);
        QCOMPARE(f.count(actionPath), 1);
    }

    // Every admin table by keyboard inside the console: keys over the whole table,
    // Tab out of it, and the row menu holding the row's buttons, greyed while their
    // request runs; the menu's entry asks first, as the button does; Return runs nothing.
    void tableKeyboard_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("listPath");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("actionPath");
        QTest::newRow("users") << int(AdminSection::users) << u"/api/admin/users"_s
                               << "{\"total\":40,\"users\":[" + numbered("{\"id\":%d,\"name\":\"U%d\"}", 40) + "]}"
                               << QStringList { u"banButton (red)"_s, u"roleButton"_s } << u"/api/admin/users/ban"_s;
        QTest::newRow("groups") << int(AdminSection::groups) << u"/api/admin/groups"_s
                                << "{\"total\":40,\"groups\":[" + numbered("{\"id\":%d,\"name\":\"g%d\"}", 40) + "]}"
                                << QStringList { u"dissolveButton (red)"_s } << u"/api/admin/groups/dissolve"_s;
        QTest::newRow("messages") << int(AdminSection::messages) << u"/api/admin/messages"_s
                                  << "{\"total\":40,\"messages\":[" + numbered("{\"id\":%d,\"content\":\"m%d\"}", 40) + "]}"
                                  << QStringList { u"deleteButton (red)"_s } << u"/api/admin/messages/delete"_s;
        QTest::newRow("words") << int(AdminSection::sensitiveWords) << u"/api/trpc/admin.getSensitiveWords"_s
                               << envelope("[" + numbered("{\"id\":%d,\"word\":\"w%d\"}", 40) + "]")
                               << QStringList { u"deleteButton (red)"_s } << u"/api/trpc/admin.deleteSensitiveWord"_s;
    }
    void tableKeyboard()
    {
        QFETCH(int, section);
        QFETCH(QString, listPath);
        QFETCH(QByteArray, list);
        QFETCH(QStringList, entries);
        QFETCH(QString, actionPath);
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(listPath, { 200, list });
        f.server.respond(actionPath, { 200, section == int(AdminSection::sensitiveWords) ? envelope("null") : "null", {}, true });
        AdminDashboardView console(f.api);
        console.setSelectedTab(AdminSection(section));
        console.resize(1000, 600);
        console.show();
        auto* table = console.detail()->findChild<QTableView*>();
        QVERIFY(table);
        QTRY_VERIFY(table->model()->rowCount() >= 20);
        LISTKEYS(listkeys::walkWholeList(table));
        LISTKEYS(listkeys::tabsThrough(table));

        listkeys::key(table, Qt::Key_Home);
        listkeys::key(table, Qt::Key_Down);
        QCOMPARE(table->currentIndex().row(), 1);
        QVERIFY2(table->selectionModel()->isRowSelected(1), "the current row shows as selected");
        listkeys::key(table, Qt::Key_Return);
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QVERIFY(!openDialog<ConfirmationDialog>(console.detail()));
        const QModelIndex cell = RowAction::cellOfRow(table->currentIndex());
        QStringList labels;
        for (const RowAction& action : RowAction::ofRow(cell))
            labels << action.text;
        QCOMPARE(cell.data(Qt::AccessibleTextRole).toString(), labels.join(u", "_s));
        QCOMPARE(cell.data(Qt::AccessibleDescriptionRole).toString(), labels.join(u", "_s));
        QCOMPARE(listkeys::menuOf(table), entries);
        const QString first = entries.first().section(u' ', 0, 0);
        QVERIFY(listkeys::choose(table, first));
        QTRY_VERIFY(openDialog<ConfirmationDialog>(console.detail()));
        openDialog<ConfirmationDialog>(console.detail())->actionButton()->click();
        QTRY_COMPARE(f.count(actionPath), 1);
        QStringList waiting = entries;
        waiting.first() = first + u" (off) (red)"_s;
        QCOMPARE(listkeys::menuOf(table, true), waiting);
        QVERIFY(listkeys::choose(table, first));
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QVERIFY(!openDialog<ConfirmationDialog>(console.detail()));
        f.server.release(actionPath);
        QCOMPARE(f.count(actionPath), 1);
    }

    // While a table loads it shows the spinner, never its empty text; a failed load
    // ends the spinner and shows the alert.
    void tableLoadStates_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("listPath");
        QTest::newRow("users") << int(AdminSection::users) << u"/api/admin/users"_s;
        QTest::newRow("groups") << int(AdminSection::groups) << u"/api/admin/groups"_s;
        QTest::newRow("messages") << int(AdminSection::messages) << u"/api/admin/messages"_s;
        QTest::newRow("words") << int(AdminSection::sensitiveWords) << u"/api/trpc/admin.getSensitiveWords"_s;
    }
    void tableLoadStates()
    {
        QFETCH(int, section);
        QFETCH(QString, listPath);
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(listPath, { 500, R"({"error":"down"})", {}, true });
        AdminDashboardView console(f.api);
        console.setSelectedTab(AdminSection(section));
        console.resize(1000, 600);
        console.show();
        QTRY_COMPARE(f.count(listPath), 1);
        QWidget* screen = console.detail();
        QVERIFY(child<QWidget>(screen, u"loadingPage"_s)->isVisible());
        QVERIFY(!child<QWidget>(screen, u"emptyPage"_s)->isVisible());
        f.server.release(listPath);
        QTRY_VERIFY(openDialog<QMessageBox>(screen));
        QVERIFY(!child<QWidget>(screen, u"loadingPage"_s)->isVisible());
        VERIFY_SNAPSHOT(&console, u"failed-"_s + QString::fromLatin1(QTest::currentDataTag()));
    }

    // The controls of every table's header and pager stand apart by the style's
    // spacing, in every language; the ID column's digits all take one width.
    void tableChrome_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("listPath");
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<int>("language");
        const std::pair<AdminSection, std::pair<QString, QByteArray>> tables[] = {
            { AdminSection::users, { u"/api/admin/users"_s, R"({"users":[{"id":1},{"id":88}],"total":2})" } },
            { AdminSection::groups, { u"/api/admin/groups"_s, R"({"groups":[{"id":1},{"id":88}],"total":2})" } },
            { AdminSection::messages, { u"/api/admin/messages"_s, R"({"messages":[{"id":1},{"id":88}],"total":2})" } },
            { AdminSection::sensitiveWords, { u"/api/trpc/admin.getSensitiveWords"_s, envelope(R"([{"id":1,"word":"a"},{"id":88,"word":"b"}])") } },
        };
        for (const auto& [section, request] : tables) {
            for (AppLanguage language : appLanguage::allCases()) {
                const QString name = adminsection::rawValue(section) + u' ' + appLanguage::rawValue(language);
                QTest::newRow(qPrintable(name)) << int(section) << request.first << request.second << int(language);
            }
        }
    }
    void tableChrome()
    {
        QFETCH(int, section);
        QFETCH(QString, listPath);
        QFETCH(QByteArray, rows);
        QFETCH(int, language);
        LocalizationManager::shared().setLanguage(AppLanguage(language));
        const auto restore = qScopeGuard([] { LocalizationManager::shared().setLanguage(AppLanguage::en); });
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(listPath, { 200, rows });
        AdminDashboardView console(f.api);
        console.setSelectedTab(AdminSection(section));
        console.resize(1000, 600);
        console.show();
        QWidget* screen = console.detail();
        auto* table = screen->findChild<QTableView*>();
        QTRY_VERIFY(table->isVisible() && table->model()->rowCount() == 2);
        // The section fills the window right of the sidebar, top to bottom.
        const QRect pane(screen->mapTo(&console, QPoint()), screen->size());
        QCOMPARE(pane.top(), 0);
        QCOMPARE(pane.bottom(), console.height() - 1);
        QCOMPARE(pane.right(), console.width() - 1);
        const int spacing = std::max(1, screen->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, screen));
        // Left to right, each with the next one.
        QStringList row { u"searchField"_s, u"searchButton"_s };
        if (AdminSection(section) == AdminSection::sensitiveWords)
            row = { u"totalLabel"_s, u"addWordButton"_s };
        const QList<QStringList> rowsOfControls { row, { u"previousButton"_s, u"pageLabel"_s, u"nextButton"_s } };
        for (const QStringList& controls : rowsOfControls) {
            for (qsizetype i = 1; i < controls.size(); ++i) {
                QWidget* left = child<QWidget>(screen, controls.at(i - 1));
                QWidget* right = child<QWidget>(screen, controls.at(i));
                if (!left && !right)
                    continue; // no pager on this screen
                QVERIFY2(left && right, qPrintable(controls.at(i)));
                const int gap = right->mapTo(screen, QPoint()).x() - left->mapTo(screen, QPoint(left->width(), 0)).x();
                QVERIFY2(gap >= spacing, qPrintable(u"%1 to %2: %3 px"_s.arg(controls.at(i - 1), controls.at(i)).arg(gap)));
            }
        }
        // Whatever figures the interface font has: the column's face is of one pitch.
        const QFont idFont = table->model()->index(0, 0).data(Qt::FontRole).value<QFont>();
        QVERIFY2(QFontInfo(idFont).fixedPitch(), qPrintable(QFontInfo(idFont).family()));
        const QFontMetrics digits(idFont);
        for (const QChar digit : u"0123456789"_s)
            QCOMPARE(digits.horizontalAdvance(digit), digits.horizontalAdvance(u'0'));
        // Short ids and a short title: the column opens at its own width.
        QCOMPARE(table->columnWidth(0), 50);
        // The search field takes its full width and no more, with room to spare; the
        // total is in the caption font and the secondary colour.
        const int searchWidth = AdminSection(section) == AdminSection::sensitiveWords ? 250 : 300;
        console.resize(1600, 600);
        QTRY_COMPARE(child<QLineEdit>(screen, u"searchField"_s)->width(), searchWidth);
        // What was typed goes with one click on the field's clear button.
        auto* search = child<QLineEdit>(screen, u"searchField"_s);
        search->setText(u"abc"_s);
        const QList<QToolButton*> inField = search->findChildren<QToolButton*>();
        QVERIFY2(!inField.isEmpty(), "the search field has a clear button");
        QTest::mouseClick(inField.constLast(), Qt::LeftButton);
        QTRY_VERIFY(search->text().isEmpty());
        // Column titles start at the leading edge of their column, as the cells do.
        QHeaderView* header = table->horizontalHeader();
        const int last = header->count() - 1;
        PaintLog titles(header->size());
        header->render(&titles);
        const std::optional<PaintedItem> lastTitle = titles.painting().text(header->model()->headerData(last, Qt::Horizontal).toString());
        QVERIFY2(lastTitle, qPrintable(titles.painting().allText()));
        const qreal leading = lastTitle->rect.left() - header->sectionViewportPosition(last);
        const qreal trailing = header->sectionViewportPosition(last) + header->sectionSize(last) - lastTitle->rect.right();
        QVERIFY2(leading < 12 && trailing > leading, qPrintable(u"%1 before, %2 after"_s.arg(leading).arg(trailing)));
        auto* totalLabel = child<QLabel>(screen, u"totalLabel"_s);
        QCOMPARE(totalLabel->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(totalLabel->palette().color(QPalette::WindowText), Appearance::secondaryText());
        // One column without spacing: the header, a divider, the table from edge to
        // edge, and on the paged screens a divider and the pager; the header ends at
        // its trailing edge with the total (and the add button of the words).
        QWidget* previous = child<QWidget>(screen, u"previousButton"_s);
        QList<QFrame*> dividers;
        for (QFrame* frame : screen->findChildren<QFrame*>()) {
            if (frame->frameShape() == QFrame::HLine && frame->parentWidget() == screen)
                dividers << frame;
        }
        std::sort(dividers.begin(), dividers.end(), [](QFrame* a, QFrame* b) { return a->y() < b->y(); });
        QCOMPARE(dividers.size(), previous ? 2 : 1);
        QWidget* content = table->parentWidget();
        while (content && content->parentWidget() != screen)
            content = content->parentWidget();
        QVERIFY(content);
        QCOMPARE(content->x(), 0);
        QCOMPARE(content->width(), screen->width());
        QCOMPARE(content->y(), dividers.at(0)->y() + dividers.at(0)->height());
        QCOMPARE(previous ? dividers.at(1)->y() : screen->height(), content->y() + content->height());
        QWidget* headerEnd = previous ? static_cast<QWidget*>(totalLabel) : child<QWidget>(screen, u"addWordButton"_s);
        int headerBottom = 0;
        for (const QWidget* control : { static_cast<QWidget*>(search), static_cast<QWidget*>(totalLabel), headerEnd })
            headerBottom = std::max(headerBottom, control->mapTo(screen, QPoint(0, control->height())).y());
        QCOMPARE(dividers.at(0)->y(), headerBottom + 12);
        PaintLog totalText(totalLabel->size());
        totalLabel->render(&totalText);
        const QList<PaintedItem> totalWords = totalText.painting().texts();
        QVERIFY(!totalWords.isEmpty());
        const qreal totalRight = totalLabel->mapTo(screen, QPoint()).x() + totalWords.constLast().rect.right();
        const qreal totalEnd = previous ? screen->width() - 12 : headerEnd->mapTo(screen, QPoint()).x() - spacing;
        QVERIFY2(qAbs(totalEnd - totalRight) <= 1.5, qPrintable(u"%1, not %2"_s.arg(totalRight).arg(totalEnd)));
        QCOMPARE(headerEnd->mapTo(screen, QPoint(headerEnd->width(), 0)).x(), screen->width() - 12);
        // The pager at the leading edge, 8 above and below, its page in the caption font, secondary.
        if (previous) {
            QCOMPARE(previous->mapTo(screen, QPoint()).x(), child<QWidget>(screen, u"searchField"_s)->mapTo(screen, QPoint()).x());
            QCOMPARE(screen->height() - previous->mapTo(screen, QPoint(0, previous->height())).y(), 8);
            auto* pageLabel = child<QLabel>(screen, u"pageLabel"_s);
            QCOMPARE(pageLabel->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(pageLabel->palette().color(QPalette::WindowText), Appearance::secondaryText());
        }
    }

    // The ban button is tinted by what it does; the role button has no tint.
    void userActionTints()
    {
        Fixture f;
        f.server.respond(u"/api/admin/users"_s, { 200, R"({"users":[{"id":1},{"id":2,"isBanned":true}]})" });
        UserManagementView view(f.api);
        view.resize(900, 400);
        view.show();
        QTRY_COMPARE(view.table()->model()->rowCount(), 2);
        QCOMPARE(cellAction(view.table(), 0, 5, u"banButton"_s)->color, tintColor(Tint::Red));
        QCOMPARE(cellAction(view.table(), 1, 5, u"banButton"_s)->color, tintColor(Tint::Green));
        for (int row = 0; row < 2; ++row)
            QVERIFY(!cellAction(view.table(), row, 5, u"roleButton"_s)->color.isValid());
    }

    // After a failed load the form offers a reload, never a save of defaults; an
    // invalid number is marked; "saved" appears only after the server accepted.
    void configForm()
    {
        Fixture f;
        f.server.respondOnce(u"/api/trpc/admin.getSystemConfig"_s, { 500, R"({"error":"down"})" });
        f.server.respond(u"/api/trpc/admin.getSystemConfig"_s, { 200, envelope(R"({"maxGroupMembers":500})") });
        f.server.respond(u"/api/trpc/admin.updateSystemConfig"_s, { 200, envelope("null") });
        SystemConfigView view(f.api);
        view.resize(600, 500);
        view.show();
        QVERIFY(view.model()->isLoading());
        // While the form loads, the cover dims all of it, and follows it when it is resized.
        auto* cover = child<QWidget>(&view, u"loadingCover"_s);
        QVERIFY(cover && cover->isVisible());
        QCOMPARE(cover->geometry(), view.rect());
        view.resize(640, 520);
        QCOMPARE(cover->geometry(), view.rect());
        // The cover's spinner turns: it stays out of the picture, its room kept.
        for (Spinner* spinner : cover->findChildren<Spinner*>()) {
            QSizePolicy kept = spinner->sizePolicy();
            kept.setRetainSizeWhenHidden(true);
            spinner->setSizePolicy(kept);
            spinner->hide();
        }
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        VERIFY_SNAPSHOT(&view, u"config-loading"_s);
        QTRY_VERIFY(!view.model()->isLoading());
        auto* save = child<QPushButton>(&view, u"saveButton"_s);
        auto* reload = child<QPushButton>(&view, u"reloadButton"_s);
        QVERIFY(!save->isEnabled());
        QVERIFY(reload->isVisible());
        QTRY_VERIFY(openDialog<QMessageBox>(&view));
        QPointer<QMessageBox> alert = openDialog<QMessageBox>(&view);
        QVERIFY(alert && !alert->buttons().isEmpty());
        alert->buttons().first()->click();

        reload->click();
        QTRY_VERIFY(save->isEnabled());
        QVERIFY(!reload->isVisible());
        // Shown again, the form keeps what it loaded and reads nothing more.
        view.hide();
        view.show();
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.count(u"/api/trpc/admin.getSystemConfig"_s), 2);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        VERIFY_SNAPSHOT(&view, u"config"_s);
        // Save alone in its row, centred under the form.
        const QRect saveShown(save->mapTo(&view, QPoint()), save->size());
        QVERIFY2(qAbs(saveShown.center().x() - view.rect().center().x()) <= 1, qPrintable(QDebug::toString(saveShown)));
        auto* members = child<QLineEdit>(&view, u"maxGroupMembersField"_s);
        QCOMPARE(members->text(), u"500"_s);
        // The number fields, 100 wide, hold their digits at the trailing edge.
        for (QLineEdit* field : { members, child<QLineEdit>(&view, u"retentionField"_s) }) {
            QCOMPARE(field->width(), 100);
            field->setText(u"7"_s);
            PaintLog digits(field->size());
            field->render(&digits);
            const std::optional<PaintedItem> seven = digits.painting().text(u"7"_s);
            QVERIFY2(seven, qPrintable(digits.painting().allText()));
            QVERIFY2(seven->rect.left() > field->width() / 2, qPrintable(QDebug::toString(seven->rect)));
        }
        members->setText(u"500"_s);
        members->clear();
        QTest::keyClicks(members, u"5.5"_s);
        QVERIFY(members->property("invalid").toBool());
        QVERIFY(!save->isEnabled());
        members->clear();
        QTest::keyClicks(members, u"50"_s);
        QVERIFY(!members->property("invalid").toBool());
        // The switches show the loaded settings and send what they show when flipped.
        auto* screenshot = child<QCheckBox>(&view, u"screenshotSwitch"_s);
        auto* registration = child<QCheckBox>(&view, u"registrationSwitch"_s);
        QVERIFY(!screenshot->isChecked() && registration->isChecked());
        screenshot->click();
        registration->click();
        // In Chinese, where the interface's OK is not the platform's.
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
        const auto english = qScopeGuard([] { LocalizationManager::shared().setLanguage(AppLanguage::en); });
        save->click();
        QTRY_VERIFY(child<QMessageBox>(&view, u"savedAlert"_s));
        // Its one button is the interface's own OK.
        const QList<QAbstractButton*> buttons = child<QMessageBox>(&view, u"savedAlert"_s)->buttons();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.first()->text(), Localized::text("common.ok"));
        QCOMPARE(f.count(u"/api/trpc/admin.updateSystemConfig"_s), 1);
        const QJsonObject sent = QJsonDocument::fromJson(f.server.requestsTo(u"/api/trpc/admin.updateSystemConfig"_s).at(0).body).object();
        QCOMPARE(sent.value(u"json"_s).toObject(),
                 (QJsonObject { { u"maxGroupMembers"_s, 50 }, { u"screenshotProtection"_s, true }, { u"allowRegistration"_s, false } }));
    }

    // A value the server would refuse says which values it takes, in the
    // interface language; the spinner stands in the save button while it runs.
    void configRanges_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("invalid");
        QTest::addColumn<QString>("allowed");
        QTest::newRow("no retention") << u"retentionField"_s << u"retentionHint"_s << u"0"_s << true << u"1 to 36500"_s;
        QTest::newRow("a century") << u"retentionField"_s << u"retentionHint"_s << u"36500"_s << false << u"1 to 36500"_s;
        QTest::newRow("beyond a century") << u"retentionField"_s << u"retentionHint"_s << u"36501"_s << true << u"1 to 36500"_s;
        QTest::newRow("one member") << u"maxGroupMembersField"_s << u"maxGroupMembersHint"_s << u"1"_s << true << u"2 to 10000"_s;
        QTest::newRow("two members") << u"maxGroupMembersField"_s << u"maxGroupMembersHint"_s << u"2"_s << false << u"2 to 10000"_s;
        QTest::newRow("too many members") << u"maxGroupMembersField"_s << u"maxGroupMembersHint"_s << u"10001"_s << true << u"2 to 10000"_s;
    }
    void configRanges()
    {
        QFETCH(QString, field);
        QFETCH(QString, hint);
        QFETCH(QString, typed);
        QFETCH(bool, invalid);
        QFETCH(QString, allowed);
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(u"/api/trpc/admin.getSystemConfig"_s, { 200, envelope(R"({"maxGroupMembers":500,"messageRetentionDays":30})") });
        f.server.respond(u"/api/trpc/admin.updateSystemConfig"_s, { 200, envelope("null"), {}, true });
        AdminDashboardView console(f.api);
        console.setSelectedTab(AdminSection::systemConfig);
        console.resize(1000, 600);
        console.show();
        auto* view = qobject_cast<SystemConfigView*>(console.detail());
        QVERIFY(view->model()->isLoading());
        QTRY_VERIFY(!view->model()->isLoading());
        auto* input = child<QLineEdit>(view, field);
        auto* save = child<QPushButton>(view, u"saveButton"_s);
        input->clear();
        QTest::keyClicks(input, typed);
        QCOMPARE(input->property("invalid").toBool(), invalid);
        QCOMPARE(child<QLabel>(view, hint)->isVisible(), invalid);
        QCOMPARE(save->isEnabled(), !invalid);
        QCOMPARE(child<QLabel>(view, hint)->text(), u"Allowed: "_s + allowed);
        // The hint in the caption font and red, at the trailing edge under its field.
        if (invalid) {
            auto* shown = child<QLabel>(view, hint);
            QCOMPARE(shown->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(shown->palette().color(QPalette::WindowText), tintColor(Tint::Red));
            PaintLog painted(shown->size());
            shown->render(&painted);
            const std::optional<PaintedItem> words = painted.painting().text(allowed);
            QVERIFY2(words, qPrintable(painted.painting().allText()));
            QVERIFY2(shown->width() - words->rect.right() < words->rect.left(), qPrintable(QDebug::toString(words->rect)));
        }
        // Why Save greyed out reaches a screen reader too: the hint is an alert, and
        // the field describes itself by it while its value is refused.
        QCOMPARE(QAccessible::queryAccessibleInterface(child<QLabel>(view, hint))->role(), QAccessible::AlertMessage);
        QCOMPARE(QAccessible::queryAccessibleInterface(input)->text(QAccessible::Description),
                 invalid ? u"Allowed: "_s + allowed : QString());
        LocalizationManager::shared().setLanguage(AppLanguage::vi);
        QCOMPARE(child<QLabel>(view, hint)->text(), u"Cho phép: từ "_s + allowed.replace(u" to "_s, u" đến "_s));
        // The sections' titles follow the language too.
        QStringList titles;
        for (const QGroupBox* box : view->findChildren<QGroupBox*>())
            titles << box->title();
        QCOMPARE(titles, (QStringList { Localized::text("admin.config_groups"), Localized::text("admin.config_messages"),
                             Localized::text("admin.config_security") }));
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        if (invalid)
            return;
        save->click();
        QTRY_COMPARE(f.count(u"/api/trpc/admin.updateSystemConfig"_s), 1);
        auto* spinner = child<QWidget>(view, u"savingSpinner"_s);
        QVERIFY(spinner->isVisible());
        QCOMPARE(spinner->parentWidget(), save);
        // In the middle of the button, where its word was.
        const QRect spun = spinner->geometry();
        const bool blank = save->text().isEmpty();
        const bool waiting = !save->isEnabled();
        f.server.release(u"/api/trpc/admin.updateSystemConfig"_s);
        QVERIFY2((spun.center() - save->rect().center()).manhattanLength() <= 1,
                 qPrintable(QDebug::toString(spun) + u" in "_s + QDebug::toString(save->rect())));
        QVERIFY(blank);
        QVERIFY(waiting);
        QTRY_VERIFY(!spinner->isVisible());
        QCOMPARE(save->text(), Localized::text("admin.config_save"));
    }

    // The add sheet: blank words disabled, kept open with the word on failure,
    // closed on success; the empty and no-match texts of the list.
    void wordsSheet()
    {
        Fixture f;
        f.server.respond(u"/api/trpc/admin.getSensitiveWords"_s, { 200, envelope("[]") });
        f.server.respondOnce(u"/api/trpc/admin.addSensitiveWord"_s, { 400, R"({"error":"dup"})" });
        f.server.respond(u"/api/trpc/admin.addSensitiveWord"_s, { 200, envelope(R"({"id":3,"word":"<i>x</i>","category":"fraud"})") });
        SensitiveWordsView view(f.api);
        view.resize(800, 400);
        view.show();
        QVERIFY(view.model()->isLoading());
        QTRY_VERIFY(!view.model()->isLoading());
        QVERIFY(child<QWidget>(&view, u"emptyPage"_s)->isVisible());
        QCOMPARE(child<QLabel>(&view, u"emptyTitle"_s)->text(), Localized::text("admin.words_empty"));
        child<QLineEdit>(&view, u"searchField"_s)->setText(u"zz"_s);
        QCOMPARE(child<QLabel>(&view, u"emptyTitle"_s)->text(), Localized::text("admin.words_no_match"));
        child<QLineEdit>(&view, u"searchField"_s)->clear();

        child<QPushButton>(&view, u"addWordButton"_s)->click();
        auto* sheet = openDialog<AddSensitiveWordSheet>(&view);
        QVERIFY(sheet);
        auto* word = child<QLineEdit>(sheet, u"wordField"_s);
        auto* add = child<QPushButton>(sheet, u"addButton"_s);
        QTest::keyClicks(word, u"   "_s);
        QVERIFY(!add->isEnabled());
        word->clear();
        QTest::keyClicks(word, u" <i>x</i> "_s);
        QVERIFY(add->isEnabled());
        add->click();
        QTRY_VERIFY(view.model()->errorMessage().has_value());
        QVERIFY(sheet->isVisible());
        QCOMPARE(word->text(), u" <i>x</i> "_s);
        view.model()->clearError();
        add->click();
        QTRY_VERIFY(!openDialog<AddSensitiveWordSheet>(&view));
        QCOMPARE(view.table()->model()->rowCount(), 1);
        QVERIFY(view.table()->isVisible());
        QCOMPARE(cellText(view.table(), 0, 1), u"<i>x</i>"_s);
        QCOMPARE(child<QLabel>(&view, u"totalLabel"_s)->text(), u"1 words"_s);

        // Cancel closes the sheet and adds nothing.
        child<QPushButton>(&view, u"addWordButton"_s)->click();
        sheet = openDialog<AddSensitiveWordSheet>(&view);
        QVERIFY(sheet);
        QTest::keyClicks(child<QLineEdit>(sheet, u"wordField"_s), u"y"_s);
        QTest::mouseClick(child<QPushButton>(sheet, u"cancelButton"_s), Qt::LeftButton);
        QTRY_VERIFY(!openDialog<AddSensitiveWordSheet>(&view));
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(u"/api/trpc/admin.addSensitiveWord"_s).size(), 2);
        QCOMPARE(view.table()->model()->rowCount(), 1);

        // Another language redraws the headers and the cells that show texts.
        QSignalSpy headers(view.table()->model(), &QAbstractItemModel::headerDataChanged);
        QSignalSpy cells(view.table()->model(), &QAbstractItemModel::dataChanged);
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
        const auto restore = qScopeGuard([] { LocalizationManager::shared().setLanguage(AppLanguage::en); });
        QCOMPARE(headers.count(), 1);
        QCOMPARE(cells.count(), 1);
    }

    // The words screen as the console hosts it: cells from the records, server text
    // as plain tooltips, and a filter that narrows the rows without rebuilding them.
    void wordsTable()
    {
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(u"/api/trpc/admin.getSensitiveWords"_s,
                         { 200, envelope(R"([{"id":1,"word":"BadWord","category":"spam","isActive":false},)"
                                         R"({"id":2,"word":"<img src=file:///etc/passwd>","category":"fraud","level":"high"},)"
                                         R"({"id":3,"word":"x","category":"odd"}])") });
        AdminDashboardView console(f.api);
        SensitiveWordsView* view = showWords(console);
        QVERIFY(view);
        QTableView* table = view->table();
        QTRY_COMPARE(table->model()->rowCount(), 3);
        QVERIFY(table->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&console));
        VERIFY_SNAPSHOT(&console, u"words"_s);
        const auto cell = [&](int row, int column, int role = Qt::DisplayRole) { return table->model()->index(row, column).data(role); };
        QCOMPARE(cell(1, SensitiveWordsTableModel::WordColumn).toString(), u"<img src=file:///etc/passwd>"_s);
        QCOMPARE(shownToolTip(cell(1, SensitiveWordsTableModel::WordColumn, Qt::ToolTipRole).toString()), u"<img src=file:///etc/passwd>"_s);
        QCOMPARE(cell(0, SensitiveWordsTableModel::CategoryColumn).toString(), Localized::text("admin.words_spam"));
        QCOMPARE(cell(0, SensitiveWordsTableModel::CategoryColumn, AdminCellDelegate::TintRole).toInt(), int(Tint::Yellow));
        QCOMPARE(cell(2, SensitiveWordsTableModel::CategoryColumn).toString(), u"odd"_s);
        QCOMPARE(cell(0, SensitiveWordsTableModel::StatusColumn, AdminCellDelegate::TintRole).toInt(), int(Tint::Gray));
        QCOMPARE(cell(1, SensitiveWordsTableModel::StatusColumn, AdminCellDelegate::TintRole).toInt(), int(Tint::Green));
        QCOMPARE(cell(0, SensitiveWordsTableModel::LevelColumn).toString(), u"-"_s);
        QCOMPARE(cell(1, SensitiveWordsTableModel::LevelColumn).toString(), u"high"_s);
        QCOMPARE(table->model()->headerData(SensitiveWordsTableModel::WordColumn, Qt::Horizontal).toString(), Localized::text("admin.words_word"));

        auto* source = qobject_cast<SensitiveWordsFilter*>(table->model())->sourceModel();
        QSignalSpy resets(source, &QAbstractItemModel::modelReset);
        QTest::keyClicks(child<QLineEdit>(view, u"searchField"_s), u"SPA"_s);
        QCOMPARE(table->model()->rowCount(), 1);
        QCOMPARE(cell(0, SensitiveWordsTableModel::IdColumn).toString(), u"1"_s);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(child<QLabel>(view, u"totalLabel"_s)->text(), u"3 words"_s);
        QTest::keyClicks(child<QLineEdit>(view, u"searchField"_s), u"zz"_s);
        QVERIFY(child<QWidget>(view, u"emptyPage"_s)->isVisible());
        child<QLineEdit>(view, u"searchField"_s)->clear();
        QCOMPARE(table->model()->rowCount(), 3);
        QVERIFY(table->isVisible());
    }

    // Columns fit their titles in every language and the badges of the rows on
    // screen. Rows off screen are not measured, so a keystroke in a long list
    // costs what the rows shown cost; a badge that the filter brings on screen
    // widens its column.
    void wordsColumnsFit_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<bool>("oneRowHigh"); // a table too low for even its first row whole
        QTest::newRow("zh-Hans") << AppLanguage::zhHans << false;
        QTest::newRow("en") << AppLanguage::en << false;
        QTest::newRow("vi") << AppLanguage::vi << false;
        QTest::newRow("en, lower than a row") << AppLanguage::en << true;
    }

    void wordsColumnsFit()
    {
        QFETCH(AppLanguage, language);
        QFETCH(bool, oneRowHigh);
        LocalizationManager::shared().setLanguage(language);
        const auto restore = qScopeGuard([] { LocalizationManager::shared().setLanguage(AppLanguage::en); });
        const QString wide = u"a category far longer than any column is wide"_s;
        // The first row's badge, wider than its column but narrower than the far one.
        const QString first = oneRowHigh ? u"a category wider than its column"_s : u"spam"_s;
        QByteArray words = "[";
        for (int i = 0; i < 600; ++i) {
            words += QStringLiteral(R"(%1{"id":%2,"word":"w%2","category":"%3"})")
                         .arg(i ? u","_s : QString())
                         .arg(i + 1)
                         .arg(i == 500 ? wide : i == 0 ? first : u"spam"_s)
                         .toUtf8();
        }
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(u"/api/trpc/admin.getSensitiveWords"_s, { 200, envelope(words + "]") });
        AdminDashboardView console(f.api);
        SensitiveWordsView* view = showWords(console);
        QVERIFY(view);
        QTableView* table = view->table();
        if (oneRowHigh)
            table->setMaximumHeight(table->horizontalHeader()->sizeHint().height() + table->verticalHeader()->defaultSectionSize() / 2);
        QTRY_COMPARE(table->model()->rowCount(), 600);
        QTRY_VERIFY(table->isVisible());
        // Columns are fitted on the turn of the event loop after the rows came.
        QTest::qWait(0);
        const QHeaderView* header = table->horizontalHeader();
        for (int column = 0; column + 1 < table->model()->columnCount(); ++column)
            QVERIFY2(table->columnWidth(column) >= header->sectionSizeHint(column), qPrintable(QString::number(column)));
        const auto badgeWidth = [table](int row) {
            return table->itemDelegate()->sizeHint(QStyleOptionViewItem(), table->model()->index(row, SensitiveWordsTableModel::CategoryColumn)).width();
        };
        const int wideBadge = badgeWidth(500);
        QVERIFY(table->columnWidth(SensitiveWordsTableModel::CategoryColumn) < wideBadge);
        // The row cut by the bottom edge is on screen too: its badge fits.
        QVERIFY2(table->columnWidth(SensitiveWordsTableModel::CategoryColumn) >= badgeWidth(0),
                 qPrintable(u"%1 for a badge of %2"_s.arg(table->columnWidth(SensitiveWordsTableModel::CategoryColumn)).arg(badgeWidth(0))));

        QTest::keyClicks(child<QLineEdit>(view, u"searchField"_s), u"w501"_s);
        QCOMPARE(table->model()->rowCount(), 1);
        QTRY_VERIFY(table->columnWidth(SensitiveWordsTableModel::CategoryColumn) >= wideBadge);
    }

    // Deleting a word through its painted button: the confirmation names the word and
    // Return cancels; while the delete runs the button is disabled and a second press
    // opens nothing; the row alone goes when the server agrees.
    void wordsDelete()
    {
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(u"/api/trpc/admin.getSensitiveWords"_s,
                         { 200, envelope(R"([{"id":1,"word":"alpha"},{"id":2,"word":"<b>beta</b>"},{"id":3,"word":"gamma"}])") });
        const QString deletePath = u"/api/trpc/admin.deleteSensitiveWord"_s;
        f.server.respond(deletePath, { 200, envelope("null"), {}, true });
        AdminDashboardView console(f.api);
        SensitiveWordsView* view = showWords(console);
        QTableView* table = view->table();
        QTRY_COMPARE(table->model()->rowCount(), 3);

        // A press beside the button released on it clicks nothing, as with any button.
        const QModelIndex cell = table->model()->index(1, SensitiveWordsTableModel::ActionsColumn);
        const QRect button = AdminCellDelegate::actionRects(table->visualRect(cell),
            cell.data(AdminCellDelegate::ActionsRole).value<QList<RowAction>>(), AdminCellDelegate::cellFont()).first();
        QTest::mousePress(table->viewport(), Qt::LeftButton, {}, QPoint(button.right() + 6, button.center().y()));
        QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, button.center());
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QVERIFY(!openDialog<ConfirmationDialog>(view));

        QVERIFY(clickCellAction(table, 1, SensitiveWordsTableModel::ActionsColumn, u"deleteButton"_s));
        QTRY_VERIFY(openDialog<ConfirmationDialog>(view));
        auto* dialog = openDialog<ConfirmationDialog>(view);
        QCOMPARE(dialog->text(), printfFormat(Localized::text("admin.words_delete_confirm"), { u"<b>beta</b>"_s }));
        QCOMPARE(dialog->actionButton()->text(), Localized::text("common.delete"));
        // The word is shown as typed, its markup too: never read as formatting.
        PaintLog question(dialog->size());
        dialog->render(&question);
        QVERIFY2(question.painting().allText().contains(u"<b>beta</b>"_s), qPrintable(question.painting().allText()));
        pressReturnOnAction(dialog);
        QTRY_VERIFY(!openDialog<ConfirmationDialog>(view));
        QCOMPARE(f.count(deletePath), 0);

        QVERIFY(clickCellAction(table, 1, SensitiveWordsTableModel::ActionsColumn, u"deleteButton"_s));
        QTRY_VERIFY(openDialog<ConfirmationDialog>(view));
        QSignalSpy changes(table->model(), &QAbstractItemModel::dataChanged);
        QVERIFY(confirmOpenDialog(view));
        QTRY_COMPARE(f.count(deletePath), 1);
        QVERIFY(redrawn(changes, 1, SensitiveWordsTableModel::ActionsColumn));
        QVERIFY(!cellActionEnabled(table, 1, SensitiveWordsTableModel::ActionsColumn, u"deleteButton"_s));
        QVERIFY(cellActionEnabled(table, 0, SensitiveWordsTableModel::ActionsColumn, u"deleteButton"_s));
        QVERIFY(clickCellAction(table, 1, SensitiveWordsTableModel::ActionsColumn, u"deleteButton"_s));
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QVERIFY(!openDialog<ConfirmationDialog>(view));

        QSignalSpy removed(table->model(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy resets(table->model(), &QAbstractItemModel::modelReset);
        f.server.release(deletePath);
        QTRY_COMPARE(table->model()->rowCount(), 2);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(table->model()->index(1, SensitiveWordsTableModel::WordColumn).data().toString(), u"gamma"_s);
        QCOMPARE(f.count(deletePath), 1);
    }

    // A failed delete reads the list again; a word added or deleted while that read
    // is on its way stays added or deleted when the read's older answer lands.
    void wordsOutliveAnOlderReload_data()
    {
        QTest::addColumn<QString>("action"); // "add zeta" or "delete beta"
        QTest::addColumn<QByteArray>("reloaded"); // the late read's answer
        QTest::addColumn<QStringList>("shown");
        const QByteArray before = R"([{"id":1,"word":"alpha"},{"id":2,"word":"beta"},{"id":3,"word":"gamma"}])";
        QTest::newRow("added, the answer predates it")
            << u"add zeta"_s << before << QStringList { u"alpha"_s, u"beta"_s, u"gamma"_s, u"zeta"_s };
        QTest::newRow("added, the answer knows it")
            << u"add zeta"_s << QByteArray(R"([{"id":1,"word":"alpha"},{"id":9,"word":"zeta"},{"id":2,"word":"beta"}])")
            << QStringList { u"alpha"_s, u"zeta"_s, u"beta"_s };
        QTest::newRow("deleted, the answer predates it") << u"delete beta"_s << before << QStringList { u"alpha"_s, u"gamma"_s };
    }
    void wordsOutliveAnOlderReload()
    {
        QFETCH(QString, action);
        QFETCH(QByteArray, reloaded);
        QFETCH(QStringList, shown);
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        const QString listPath = u"/api/trpc/admin.getSensitiveWords"_s;
        const QString deletePath = u"/api/trpc/admin.deleteSensitiveWord"_s;
        f.server.respondOnce(listPath, { 200, envelope(R"([{"id":1,"word":"alpha"},{"id":2,"word":"beta"},{"id":3,"word":"gamma"}])") });
        f.server.respond(listPath, { 200, envelope(reloaded), {}, true });
        f.server.respondOnce(deletePath, { 500, R"({"error":"busy"})" });
        f.server.respond(deletePath, { 200, envelope("null") });
        f.server.respond(u"/api/trpc/admin.addSensitiveWord"_s, { 200, envelope(R"({"id":9,"word":"zeta"})") });
        AdminDashboardView console(f.api);
        SensitiveWordsView* view = showWords(console);
        QTableView* table = view->table();
        QTRY_COMPARE(table->model()->rowCount(), 3);
        const auto words = [table] {
            QStringList list;
            for (int row = 0; row < table->model()->rowCount(); ++row)
                list << cellText(table, row, SensitiveWordsTableModel::WordColumn);
            return list;
        };
        const auto deleteRow = [&](int row) {
            QVERIFY(clickCellAction(table, row, SensitiveWordsTableModel::ActionsColumn, u"deleteButton"_s));
            QTRY_VERIFY(openDialog<ConfirmationDialog>(view));
            QVERIFY(confirmOpenDialog(view));
        };

        // Deleting alpha fails: the alert says so and the list is read again, slowly.
        deleteRow(0);
        QTRY_COMPARE(f.count(listPath), 2);
        QTRY_VERIFY(view->model()->errorMessage().has_value());
        view->model()->clearError();
        if (action == u"add zeta") {
            child<QPushButton>(view, u"addWordButton"_s)->click();
            auto* sheet = openDialog<AddSensitiveWordSheet>(view);
            QVERIFY(sheet);
            QTest::keyClicks(child<QLineEdit>(sheet, u"wordField"_s), u"zeta"_s);
            child<QPushButton>(sheet, u"addButton"_s)->click();
            QTRY_VERIFY(!openDialog<AddSensitiveWordSheet>(view));
            QTRY_COMPARE(words(), (QStringList { u"alpha"_s, u"beta"_s, u"gamma"_s, u"zeta"_s }));
        } else {
            deleteRow(1);
            QTRY_COMPARE(words(), (QStringList { u"alpha"_s, u"gamma"_s }));
        }
        QSignalSpy read(view->model(), &SensitiveWordsViewModel::wordsChanged);
        f.server.release(listPath);
        QTRY_COMPARE(read.count(), 1);
        QCOMPARE(words(), shown);
        QCOMPARE(child<QLabel>(view, u"totalLabel"_s)->text(), u"%1 words"_s.arg(shown.size()));
    }

    // The total counts every word after each add and delete, whether the filter
    // shows the word or not: it is read once the list has changed, not while the
    // filter announces the row.
    void wordsTotalAfterChanges_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("added"); // empty: delete the first row shown instead
        QTest::addColumn<int>("rowsShown");
        QTest::addColumn<QString>("total");
        QTest::newRow("add outside the filter") << u"alp"_s << u"zeta"_s << 1 << u"4 words"_s;
        QTest::newRow("add inside the filter") << u"alp"_s << u"alpine"_s << 2 << u"4 words"_s;
        QTest::newRow("add without a filter") << QString() << u"zeta"_s << 4 << u"4 words"_s;
        QTest::newRow("delete inside the filter") << u"alp"_s << QString() << 0 << u"2 words"_s;
        QTest::newRow("delete without a filter") << QString() << QString() << 2 << u"2 words"_s;
    }
    void wordsTotalAfterChanges()
    {
        QFETCH(QString, filter);
        QFETCH(QString, added);
        QFETCH(int, rowsShown);
        QFETCH(QString, total);
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(u"/api/trpc/admin.getSensitiveWords"_s,
                         { 200, envelope(R"([{"id":1,"word":"alpha"},{"id":2,"word":"beta"},{"id":3,"word":"gamma"}])") });
        f.server.respond(u"/api/trpc/admin.addSensitiveWord"_s, { 200, envelope(QByteArray(R"({"id":9,"word":")") + added.toUtf8() + "\"}") });
        f.server.respond(u"/api/trpc/admin.deleteSensitiveWord"_s, { 200, envelope("null") });
        AdminDashboardView console(f.api);
        SensitiveWordsView* view = showWords(console);
        QVERIFY(view);
        QTableView* table = view->table();
        QTRY_COMPARE(table->model()->rowCount(), 3);
        auto* totalLabel = child<QLabel>(view, u"totalLabel"_s);
        QCOMPARE(totalLabel->text(), u"3 words"_s);
        QTest::keyClicks(child<QLineEdit>(view, u"searchField"_s), filter);
        QCOMPARE(totalLabel->text(), u"3 words"_s);
        if (!added.isEmpty()) {
            child<QPushButton>(view, u"addWordButton"_s)->click();
            auto* sheet = openDialog<AddSensitiveWordSheet>(view);
            QVERIFY(sheet);
            QTest::keyClicks(child<QLineEdit>(sheet, u"wordField"_s), added);
            child<QPushButton>(sheet, u"addButton"_s)->click();
            QTRY_VERIFY(!openDialog<AddSensitiveWordSheet>(view));
        } else {
            QVERIFY(clickCellAction(table, 0, SensitiveWordsTableModel::ActionsColumn, u"deleteButton"_s));
            QTRY_VERIFY(openDialog<ConfirmationDialog>(view));
            openDialog<ConfirmationDialog>(view)->actionButton()->click();
        }
        QTRY_COMPARE(table->model()->rowCount(), rowsShown);
        QTRY_COMPARE(view->model()->words().size(), total.left(1).toInt());
        QCOMPARE(totalLabel->text(), total);
        // Clearing the filter shows every word the total counted.
        child<QLineEdit>(view, u"searchField"_s)->clear();
        QCOMPARE(table->model()->rowCount(), total.left(1).toInt());
        QCOMPARE(totalLabel->text(), total);
    }

    // A language switch relabels what is on screen.
    void retranslates()
    {
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        AdminDashboardView console(f.api);
        console.show();
        auto* sections = child<QListWidget>(&console, u"adminSections"_s);
        QVERIFY(console.model()->isLoading());
        QTRY_VERIFY(!console.model()->isLoading());
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
        QCOMPARE(sections->item(1)->text(), LocalizationManager::shared().bundle(AppLanguage::zhHans).localizedString(u"admin.users"_s));
        QCOMPARE(console.findChild<AdminOverviewView*>()->cards().at(1)->title(),
                 LocalizationManager::shared().bundle(AppLanguage::zhHans).localizedString(u"admin.online_users"_s));
        QCOMPARE(QAccessible::queryAccessibleInterface(console.findChild<AdminOverviewView*>()->cards().at(1))->text(QAccessible::Name),
                 u"0, "_s + LocalizationManager::shared().bundle(AppLanguage::zhHans).localizedString(u"admin.online_users"_s));
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        QCOMPARE(sections->item(1)->text(), u"Users"_s);
    }

    // A language switch redraws the words table's titles and its translated cells
    // (category, status, button), however few rows it has.
    void wordsRedrawnInAnotherLanguage_data()
    {
        QTest::addColumn<QByteArray>("words");
        QTest::newRow("one word") << QByteArray(R"([{"id":1,"word":"a","category":"spam"}])");
        QTest::newRow("two words") << QByteArray(R"([{"id":1,"word":"a","category":"spam"},{"id":2,"word":"b","category":"fraud"}])");
    }
    void wordsRedrawnInAnotherLanguage()
    {
        QFETCH(QByteArray, words);
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(u"/api/trpc/admin.getSensitiveWords"_s, { 200, envelope(words) });
        AdminDashboardView console(f.api);
        SensitiveWordsView* view = showWords(console);
        QTableView* table = view->table();
        QTRY_VERIFY(table->isVisible() && table->model()->rowCount() > 0);
        // Shown again (the console hidden and brought back), the list is not read again.
        console.hide();
        console.show();
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.count(u"/api/trpc/admin.getSensitiveWords"_s), 1);
        QCOMPARE(f.count(u"/api/admin/stats"_s), 1);
        const int last = table->model()->rowCount() - 1;
        QSignalSpy cells(table->model(), &QAbstractItemModel::dataChanged);
        QSignalSpy titles(table->model(), &QAbstractItemModel::headerDataChanged);
        LocalizationManager::shared().setLanguage(AppLanguage::vi);
        const auto restore = qScopeGuard([] { LocalizationManager::shared().setLanguage(AppLanguage::en); });
        QVERIFY(!titles.isEmpty());
        QCOMPARE(child<QLabel>(view, u"totalLabel"_s)->text(), QString::number(last + 1) + u" từ"_s);
        for (int column : { int(SensitiveWordsTableModel::CategoryColumn), int(SensitiveWordsTableModel::ActionsColumn) }) {
            QVERIFY2(redrawn(cells, 0, column), qPrintable(QString::number(column)));
            QVERIFY2(redrawn(cells, last, column), qPrintable(QString::number(column)));
        }
    }

    // A paged table redraws its column titles and its translated cells (status word,
    // buttons) in a new language.
    void pagedTableRedrawnInAnotherLanguage()
    {
        Fixture f;
        f.server.respond(u"/api/admin/users"_s, { 200, R"({"users":[{"id":1,"role":"admin","isBanned":true}],"total":1})" });
        UserManagementView view(f.api);
        view.show();
        QTRY_COMPARE(view.table()->model()->rowCount(), 1);
        QSignalSpy cells(view.table()->model(), &QAbstractItemModel::dataChanged);
        QSignalSpy titles(view.table()->model(), &QAbstractItemModel::headerDataChanged);
        LocalizationManager::shared().setLanguage(AppLanguage::vi);
        const auto restore = qScopeGuard([] { LocalizationManager::shared().setLanguage(AppLanguage::en); });
        QVERIFY(!titles.isEmpty());
        QCOMPARE(view.table()->model()->headerData(1, Qt::Horizontal).toString(),
                 LocalizationManager::shared().bundle(AppLanguage::vi).localizedString(u"admin.users_username"_s));
        for (int column : { 4, 5 })
            QVERIFY2(redrawn(cells, 0, column), qPrintable(QString::number(column)));
    }

    // The users table as painted: the role in a capsule of its colour at 0.15, padded
    // 6 left and right and 2 above and below, in the caption font and that colour; the
    // status a circle 8 across in its colour, 4 before its word in the caption font;
    // the two buttons 8 apart, the ban button's word in its tint.
    void userCellsPainted()
    {
        Fixture f;
        f.server.respond(u"/api/admin/users"_s, { 200, R"({"users":[{"id":1,"name":"Ann","role":"operator","isBanned":true}],"total":1})" });
        UserManagementView view(f.api);
        view.resize(900, 500);
        view.show();
        QTRY_COMPARE(view.table()->model()->rowCount(), 1);
        QTableView* table = view.table();
        PaintLog log(table->viewport()->size());
        table->viewport()->render(&log);
        const Painting& painted = log.painting();
        const QFont caption = Appearance::font(Appearance::TextStyle::Caption);
        const QFontMetricsF metrics(caption);

        // One painter draws every cell in turn: none leaves it changed.
        for (int column = 0; column < table->model()->columnCount(); ++column) {
            QStyleOptionViewItem option;
            option.initFrom(table->viewport());
            option.widget = table;
            option.rect = QRect(QPoint(), table->visualRect(table->model()->index(0, column)).size());
            const QString changed = testsupport::painterLeftChanged(table->itemDelegate(), option, table->model()->index(0, column));
            QVERIFY2(changed.isEmpty(), qPrintable(u"column %1: %2"_s.arg(column).arg(changed)));
        }

        const QRect roleCell = table->visualRect(table->model()->index(0, 3));
        const QColor orange = tintColor(Tint::Orange);
        const std::optional<PaintedItem> role = painted.text(u"operator"_s);
        QVERIFY2(role, qPrintable(painted.allText()));
        QCOMPARE(role->font.pixelSize(), caption.pixelSize());
        QCOMPARE(role->pen, orange);
        QRectF capsule;
        for (const PaintedItem& shape : painted.shapes()) {
            if (shape.brush.rgb() == orange.rgb() && roleCell.contains(shape.rect.center().toPoint())) {
                capsule = shape.rect;
                QVERIFY2(qAbs(shape.brush.alphaF() - 0.15) < 0.01, qPrintable(QString::number(shape.brush.alphaF())));
                // Rounded ends drawn aliased are stepped, not the capsule's smooth curve.
                QVERIFY(shape.hints.testFlag(QPainter::Antialiasing));
                QVERIFY2(!shape.pen.isValid(), "a fill with no outline");
            }
        }
        QVERIFY(capsule.isValid());
        // Padded 6 left and right and 2 above and below, to the pixel the font's whole metrics give.
        const QFontMetrics wholeMetrics(caption);
        QCOMPARE(capsule.width(), wholeMetrics.horizontalAdvance(u"operator"_s) + 12.0);
        QCOMPARE(capsule.height(), wholeMetrics.height() + 4.0);
        QVERIFY(qAbs(role->rect.center().x() - capsule.center().x()) <= 1);
        QVERIFY(qAbs(capsule.center().y() - roleCell.center().y()) <= 1);

        const QRect statusCell = table->visualRect(table->model()->index(0, 4));
        QRectF dot;
        for (const PaintedItem& shape : painted.shapes()) {
            if (shape.brush == tintColor(Tint::Red) && statusCell.contains(shape.rect.center().toPoint())) {
                dot = shape.rect;
                QVERIFY(shape.hints.testFlag(QPainter::Antialiasing));
                QVERIFY2(!shape.pen.isValid(), "a fill with no outline");
            }
        }
        QCOMPARE(dot.size(), QSizeF(8, 8));
        QVERIFY(qAbs(dot.center().y() - statusCell.center().y()) <= 1);
        const std::optional<PaintedItem> banned = painted.text(Localized::text("admin.users_banned"));
        QVERIFY(banned);
        QCOMPARE(banned->font.pixelSize(), caption.pixelSize());
        QCOMPARE(banned->rect.left() - dot.right(), 4.0);

        const QRect actionsCell = table->visualRect(table->model()->index(0, 5));
        const QList<QRect> buttons = AdminCellDelegate::actionRects(actionsCell, cellData(table, 0, 5, AdminCellDelegate::ActionsRole).value<QList<RowAction>>(), caption);
        QCOMPARE(buttons.size(), 2);
        QCOMPARE(buttons.at(1).left() - buttons.at(0).right() - 1, 8);
        for (const QRect& button : buttons)
            QVERIFY2(qAbs(button.center().y() - actionsCell.center().y()) <= 1, qPrintable(QDebug::toString(button)));
        const std::optional<PaintedItem> unban = painted.text(Localized::text("admin.users_unban"));
        QVERIFY(unban);
        QCOMPARE(unban->pen, tintColor(Tint::Green));
        QVERIFY(buttons.at(0).contains(unban->rect.center().toPoint()));
        QVERIFY(painted.text(Localized::text("admin.users_role")));
    }

    // The dashboard: the heading in the title font, bold, 20 above the tiles; the four
    // tiles in one row, as wide as each other, each laid out as a tile is.
    void dashboardTiles()
    {
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, R"({"totalUsers":12})" });
        AdminDashboardView console(f.api);
        console.resize(1000, 600);
        console.show();
        QTRY_VERIFY(!console.model()->isLoading());
        auto* overview = console.findChild<AdminOverviewView*>();
        QTRY_VERIFY(overview->isVisible());
        auto* heading = child<QLabel>(overview, u"overviewHeading"_s);
        QVERIFY(heading->font().bold());
        QCOMPARE(heading->font().pixelSize(), Appearance::font(Appearance::TextStyle::Title).pixelSize());
        const QList<AdminStatCard*> cards = overview->cards();
        QCOMPARE(cards.size(), 4);
        const QRect first(cards.at(0)->mapTo(overview, QPoint()), cards.at(0)->size());
        // The heading shares its row with the refresh button: the row ends below both.
        QWidget* refresh = child<QWidget>(overview, u"refreshButton"_s);
        const int rowBottom = std::max(heading->mapTo(overview, QPoint(0, heading->height())).y(),
                                       refresh->mapTo(overview, QPoint(0, refresh->height())).y());
        QCOMPARE(first.top() - rowBottom, 20);
        // The heading and the tiles inside the default padding of 16.
        QCOMPARE(heading->mapTo(overview, QPoint()).x(), 16);
        QCOMPARE(first.left(), 16);
        for (int i = 1; i < cards.size(); ++i) {
            QCOMPARE(cards.at(i)->mapTo(overview, QPoint()).y(), first.top());
            QVERIFY(cards.at(i)->x() > cards.at(i - 1)->x());
            QVERIFY(qAbs(cards.at(i)->width() - first.width()) <= 1);
        }
        for (AdminStatCard* card : cards)
            QVERIFY(tileLaidOut(card));
    }

    // Tiles too narrow for a title on one line (Vietnamese ones are long) wrap it
    // inside the tile: nothing cut, no tile pushed past the screen's padding.
    void tileTitlesWrap()
    {
        LocalizationManager::shared().setLanguage(AppLanguage::vi);
        const auto restore = qScopeGuard([] { LocalizationManager::shared().setLanguage(AppLanguage::en); });
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, R"({"totalUsers":12})" });
        AdminDashboardView console(f.api);
        console.resize(640, 600);
        console.show();
        QTRY_VERIFY(!console.model()->isLoading());
        auto* overview = console.findChild<AdminOverviewView*>();
        QTRY_VERIFY(overview->isVisible());
        bool anyWrapped = false;
        for (AdminStatCard* card : overview->cards()) {
            bool wrapped = false;
            QVERIFY(titleShownWhole(card, &wrapped));
            anyWrapped = anyWrapped || wrapped;
            QVERIFY2(card->mapTo(overview, QPoint(card->width(), 0)).x() <= overview->width() - 16, qPrintable(card->title()));
        }
        QVERIFY2(anyWrapped, "no title was long enough to need a second line at this width");
    }

    // Both sheets as laid out: a fixed width, 320 for a word and 280 for a role; 24 in
    // from every side; the title in the headline font, 16 above what follows.
    void sheetLayout_data()
    {
        QTest::addColumn<bool>("word");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("field"); // a control that spans the sheet's inner width
        QTest::newRow("add word") << true << 320 << u"wordField"_s;
        QTest::newRow("role") << false << 280 << u"role_user"_s;
    }
    void sheetLayout()
    {
        QFETCH(bool, word);
        QFETCH(int, width);
        QFETCH(QString, field);
        Fixture f;
        SensitiveWordsViewModel words(f.api);
        AdminUser user;
        user.id = 1;
        user.name = u"Ann"_s;
        QPointer<QDialog> sheet = word ? static_cast<QDialog*>(new AddSensitiveWordSheet(&words))
                                       : new RolePickerSheet(user, [](const QString&) {});
        const auto close = qScopeGuard([&sheet] { delete sheet.data(); });
        sheet->show();
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QCOMPARE(sheet->width(), width);
        QWidget* title = sheet->layout()->itemAt(0)->widget();
        QWidget* next = sheet->layout()->itemAt(1)->widget();
        QVERIFY(title && next);
        QCOMPARE(title->font().pixelSize(), Appearance::font(Appearance::TextStyle::Headline).pixelSize());
        QCOMPARE(title->font().weight(), Appearance::font(Appearance::TextStyle::Headline).weight());
        QCOMPARE(title->y(), 24);
        QCOMPARE(next->y() - (title->y() + title->height()), 16);
        QWidget* wide = child<QWidget>(sheet, field);
        QCOMPARE(wide->x(), 24);
        if (word) {
            QCOMPARE(sheet->width() - (wide->x() + wide->width()), 24);
            // The category picker takes the rest of its row after its title, to the same edge.
            auto* picker = child<QWidget>(sheet, u"categoryPicker"_s);
            QLabel* pickerTitle = nullptr;
            for (QLabel* label : sheet->findChildren<QLabel*>()) {
                if (label->buddy() == picker)
                    pickerTitle = label;
            }
            QVERIFY(picker && pickerTitle);
            QCOMPARE(pickerTitle->width(), pickerTitle->sizeHint().width());
            QCOMPARE(picker->x() + picker->width(), wide->x() + wide->width());
        }
        QWidget* last = nullptr;
        for (auto* button : sheet->findChildren<QPushButton*>()) {
            const auto corner = [](QWidget* w) { return std::pair(w->y() + w->height(), w->x() + w->width()); };
            if (!last || corner(button) > corner(last))
                last = button;
        }
        QVERIFY(last);
        QCOMPARE(sheet->height() - (last->y() + last->height()), 24);
        QCOMPARE(sheet->width() - (last->x() + last->width()), 24);
        VERIFY_SNAPSHOT(sheet.data(), word ? u"sheet-word"_s : u"sheet-role"_s);
    }

    // A column dragged narrower than its stated least width stops there; the column
    // that takes the room left is not held.
    void columnMinimums_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("listPath");
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QList<int>>("minimums");
        QTest::addColumn<QList<int>>("ideals"); // none: not checked
        QTest::addColumn<QList<int>>("growing"); // the columns a wider window widens
        QTest::newRow("users") << int(AdminSection::users) << u"/api/admin/users"_s << QByteArray(R"({"users":[{"id":1}],"total":1})")
                               << QList<int> { 40, 80, 80, 60, 60, 140 } << QList<int> { 50, 120, 100, 80, 80, 160 } << QList<int> { 5 };
        QTest::newRow("groups") << int(AdminSection::groups) << u"/api/admin/groups"_s << QByteArray(R"({"groups":[{"id":1}],"total":1})")
                                << QList<int> { 40, 100, 50, 80, 100, 60 } << QList<int> { 50, 160, 70, 120, 140, 80 } << QList<int> { 5 };
        QTest::newRow("messages") << int(AdminSection::messages) << u"/api/admin/messages"_s
                                  << QByteArray(R"({"messages":[{"id":1}],"total":1})") << QList<int> { 40, 80, 60, 200, 100, 60 }
                                  << QList<int> { 50, 100, 70, 300, 140, 80 } << QList<int> { 3 };
        QTest::newRow("words") << int(AdminSection::sensitiveWords) << u"/api/trpc/admin.getSensitiveWords"_s
                               << envelope(R"([{"id":1,"word":"a"}])") << QList<int> { 40, 100, 60, 50, 60, 40, 60 } << QList<int> {} << QList<int> { 6 };
    }
    void columnMinimums()
    {
        QFETCH(int, section);
        QFETCH(QString, listPath);
        QFETCH(QByteArray, rows);
        QFETCH(QList<int>, minimums);
        QFETCH(QList<int>, ideals);
        QFETCH(QList<int>, growing);
        Fixture f;
        f.server.respond(u"/api/admin/stats"_s, { 200, "{}" });
        f.server.respond(listPath, { 200, rows });
        AdminDashboardView console(f.api);
        console.setSelectedTab(AdminSection(section));
        console.resize(1000, 600);
        console.show();
        auto* table = console.detail()->findChild<QTableView*>();
        QTRY_VERIFY(table->isVisible() && table->model()->rowCount() == 1);
        QHeaderView* header = table->horizontalHeader();
        QCOMPARE(header->count(), minimums.size());
        // Short records: a column opens at its ideal width, wider only where its title needs it.
        for (int column = 0; column < ideals.size(); ++column) {
            if (header->sectionResizeMode(column) == QHeaderView::Stretch || column + 1 == header->count())
                continue;
            QCOMPARE(header->sectionSize(column), std::max(ideals.at(column), header->sectionSizeHint(column)));
        }
        // A wider window widens the columns that take the room left, and no other.
        QList<int> before;
        for (int column = 0; column < header->count(); ++column)
            before << header->sectionSize(column);
        console.resize(1400, 600);
        QTRY_VERIFY(header->sectionSize(growing.constFirst()) > before.at(growing.constFirst()));
        for (int column = 0; column < header->count(); ++column) {
            if (growing.contains(column))
                QVERIFY2(header->sectionSize(column) > before.at(column), qPrintable(QString::number(column)));
            else
                QCOMPARE(header->sectionSize(column), before.at(column));
        }
        console.resize(1000, 600);
        QTRY_COMPARE(header->sectionSize(growing.constFirst()), before.at(growing.constFirst()));
        int held = 0;
        for (int column = 0; column < header->count(); ++column) {
            if (header->sectionResizeMode(column) == QHeaderView::Stretch || (column + 1 == header->count() && header->stretchLastSection()))
                continue;
            header->resizeSection(column, 10);
            QCOMPARE(header->sectionSize(column), minimums.at(column));
            ++held;
        }
        QCOMPARE(held, minimums.size() - 1);
    }

    // A table screen takes its state with it when it goes: nothing of it is left
    // behind to answer replies of a screen no one sees.
    void screenOwnsItsState_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("users") << u"users"_s;
        QTest::newRow("groups") << u"groups"_s;
        QTest::newRow("messages") << u"messages"_s;
    }
    void screenOwnsItsState()
    {
        QFETCH(QString, table);
        Fixture f;
        std::unique_ptr<QWidget> view;
        QPointer<QObject> state;
        if (table == u"users") {
            auto* users = new UserManagementView(f.api);
            view.reset(users);
            state = users->model();
        } else if (table == u"groups") {
            auto* groups = new GroupManagementView(f.api);
            view.reset(groups);
            state = groups->model();
        } else {
            auto* messages = new MessageAuditView(f.api);
            view.reset(messages);
            state = messages->model();
        }
        QVERIFY(state);
        view.reset();
        QVERIFY(!state);
    }

    // The search row and the pager take their spacing from the style however it gives
    // it: one for every pair of controls, or by kind (two buttons), or none at all.
    // Last: it changes the application's style for as long as it runs.
    void controlsSpacedByTheStyle_data()
    {
        QTest::addColumn<int>("metric");
        QTest::addColumn<int>("kinds");
        QTest::addColumn<int>("gap");
        QTest::newRow("one spacing") << 9 << 3 << 9;
        QTest::newRow("by kind") << -1 << 10 << 10;
        QTest::newRow("none") << -1 << -1 << 0;
    }
    void controlsSpacedByTheStyle()
    {
        QFETCH(int, metric);
        QFETCH(int, kinds);
        QFETCH(int, gap);
        const QString before = QApplication::style()->name();
        QApplication::setStyle(new SpacingStyle(metric, kinds));
        const auto restore = qScopeGuard([&before] { QApplication::setStyle(QStyleFactory::create(before)); });
        Fixture f;
        f.server.respond(u"/api/admin/users"_s, { 200, R"({"users":[{"id":1}],"total":1})" });
        UserManagementView view(f.api);
        view.resize(900, 400);
        view.show();
        QTRY_COMPARE(view.table()->model()->rowCount(), 1);
        const QList<QStringList> rows { { u"searchField"_s, u"searchButton"_s }, { u"previousButton"_s, u"pageLabel"_s, u"nextButton"_s } };
        for (const QStringList& controls : rows) {
            for (qsizetype i = 1; i < controls.size(); ++i) {
                QWidget* left = child<QWidget>(&view, controls.at(i - 1));
                QWidget* right = child<QWidget>(&view, controls.at(i));
                QCOMPARE(right->mapTo(&view, QPoint()).x() - left->mapTo(&view, QPoint(left->width(), 0)).x(), gap);
            }
        }
    }
};

QTEST_MAIN(TestAdminViews)
#include "tst_admin_views.moc"
