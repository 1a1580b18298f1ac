// The operator console's screens, offscreen, against a recording server: the
// counters and lists, the detail that follows the list, drafts per customer, the
// placeholders and the statistics tiles.

#include "PaintLog.h"
#include "PainterState.h"
#include "PostedEvents.h"
#include "RoundTrip.h"
#include "RecordingHttpServer.h"
#include "ShownToolTip.h"
#include "Snapshot.h"
#include "StatTile.h"

#include "network/APIClient.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "state/admin/AdminDashboardViewModel.h"
#include "state/admin/OperatorConsoleViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/admin/AdminOverviewView.h"
#include "views/admin/AdminStatCard.h"
#include "views/admin/CapsuleBadge.h"
#include "views/admin/OperatorConsoleView.h"
#include "views/admin/OperatorSessionListModel.h"
#include "views/admin/OperatorSessionRow.h"
#include "views/admin/OperatorStatisticsView.h"
#include "views/admin/OperatorStatusBadge.h"
#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/RowActionDelegate.h"
#include "views/common/Spinner.h"

#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QNetworkReply>
#include <QPointer>
#include <QApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTabBar>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

const QString sessionsPath = u"/api/trpc/operator.getSessions"_s;
const QString sendPath = u"/api/trpc/operator.sendMessage"_s;

QByteArray envelope(const QByteArray& json) { return R"({"result":{"data":{"json":)" + json + "}}}"; }

struct Fixture {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    APIClient api { server.baseUrl(), keychain };

    explicit Fixture(const QByteArray& sessions)
    {
        keychain.saveText(u"token"_s, u"auth_token"_s);
        server.respond(sessionsPath, { 200, envelope(sessions) });
        server.respond(u"/api/trpc/operator.getStats"_s, { 200, envelope(R"({"avgResponseTime":125})") });
        for (const char* path : { "acceptSession", "endSession", "sendMessage" })
            server.respond(u"/api/trpc/operator."_s + QString::fromLatin1(path), { 200, envelope("null") });
    }
    // Every reply is taken in before the client goes away, so no call is left waiting.
    ~Fixture()
    {
        const bool settled = QTest::qWaitFor([this] { return api.findChildren<QNetworkReply*>().isEmpty(); }, testsupport::kPatienceMs);
        Q_UNUSED(settled);
    }
};

template <typename T>
T* child(QObject* root, const QString& name)
{
    return root->findChild<T*>(name);
}

// The list's row for a session id; invalid when the list does not show it.
QModelIndex rowOf(QListView* list, qint64 id)
{
    QAbstractItemModel* rows = list->model();
    for (int i = 0; i < rows->rowCount(); ++i) {
        const QModelIndex index = rows->index(i, 0);
        if (index.data(OperatorSessionListModel::SessionIdRole).isValid() && index.data(OperatorSessionListModel::SessionIdRole).toLongLong() == id)
            return index;
    }
    return {};
}

// Shows the console as a window, once it lists the session and has stopped loading.
bool showWithSession(OperatorConsoleView& console, qint64 session)
{
    console.resize(900, 600);
    console.show();
    return QTest::qWaitFor(
        [&] { return rowOf(console.workspaceList(), session).isValid() && !console.model()->isLoading(); }, testsupport::kPatienceMs);
}

// Session names as shown, headings in brackets.
QStringList rowTexts(QListView* list)
{
    QStringList out;
    for (int i = 0; i < list->model()->rowCount(); ++i) {
        const QModelIndex index = list->model()->index(i, 0);
        const QString text = index.data().toString();
        out << (index.data(OperatorSessionListModel::IsHeadingRole).toBool() ? u"["_s + text + u"]"_s : text);
    }
    return out;
}

// Sets the platform's double-click interval for as long as it lives: long, so a
// quick second press is never too slow on a slow machine; or 0, so it never counts.
class DoubleClickInterval {
public:
    explicit DoubleClickInterval(int milliseconds)
        : m_before(QGuiApplication::styleHints()->mouseDoubleClickInterval())
    {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(milliseconds);
    }
    ~DoubleClickInterval() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(m_before); }

private:
    int m_before;
};

// One session "A" with id 1 in that status.
QByteArray oneSession(const QString& status)
{
    return "[{\"id\":1,\"status\":\"" + status.toUtf8() + "\",\"customerName\":\"A\"}]";
}

} // namespace

class TestOperatorViews : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        Icons::install();
        Snapshot::holdStill();
    }

    void listsAndCounters()
    {
        Fixture f(R"([{"id":1,"status":"waiting","customerName":"<b>Ann</b>","lastMessage":"hi","createdAt":"yesterday"},)"
                  R"({"id":2,"status":"active","customerName":""},{"id":3,"status":"ended","rating":3},)"
                  R"({"id":4,"status":"ended","rating":7},{"id":5,"status":"ended"},{"id":6,"status":"Active"}])");
        OperatorConsoleView console(f.api);
        console.resize(900, 600);
        console.show();
        QTRY_COMPARE(console.model()->sessions().size(), 6);
        QTRY_VERIFY(!console.model()->isLoading());
        QCOMPARE(child<QLabel>(&console, u"operatorTitle"_s)->text(), Localized::text("operator.title"));
        // Shown again (its window hidden and brought back), it keeps what it loaded.
        console.hide();
        console.show();
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(sessionsPath).size(), 1);
        const auto badges = console.findChildren<OperatorStatusBadge*>();
        QCOMPARE(badges.at(0)->countText(), u"1"_s);
        QCOMPARE(badges.at(1)->countText(), u"1"_s);
        QCOMPARE(badges.at(2)->countText(), u"3"_s);
        QCOMPARE(rowTexts(console.workspaceList()), (QStringList { u"[Waiting (1)]"_s, u"<b>Ann</b>"_s, u"[Active (1)]"_s, QString() }));
        const QModelIndex ann = rowOf(console.workspaceList(), 1);
        QCOMPARE(OperatorSessionRow::initial(ann.data().toString()), u"<"_s);
        // The avatar circle carries that initial, in the text's colour.
        const QImage listed = console.workspaceList()->viewport()->grab().toImage();
        const QRect annRow = console.workspaceList()->visualRect(ann);
        const QColor text = console.workspaceList()->palette().color(QPalette::Text);
        bool initialDrawn = false;
        for (int y = annRow.top(); y <= annRow.bottom(); ++y) {
            for (int x = annRow.left() + 6; x < annRow.left() + 42; ++x) {
                const QRgb pixel = listed.pixel(x, y);
                initialDrawn = initialDrawn || qAbs(qRed(pixel) - text.red()) + qAbs(qGreen(pixel) - text.green()) + qAbs(qBlue(pixel) - text.blue()) < 90;
            }
        }
        QVERIFY(initialDrawn);
        QCOMPARE(ann.data(OperatorSessionListModel::CreatedAtRole).toString(), u"yesterday"_s);
        QCOMPARE(ann.data(OperatorSessionListModel::LastMessageRole).toString(), u"hi"_s);
        QCOMPARE(ann.data(OperatorSessionListModel::FilledStarsRole).toInt(), -1);
        QCOMPARE(shownToolTip(ann.data(Qt::ToolTipRole).toString()), u"<b>Ann</b>"_s);
        console.workspaceList()->setCurrentIndex(ann);
        QCOMPARE(shownToolTip(child<ElidedLabel>(&console, u"detailName"_s)->toolTip()), u"<b>Ann</b>"_s);
        QVERIFY(QTest::qWaitForWindowExposed(&console));
        VERIFY_SNAPSHOT(&console, u"workspace"_s);
        QCOMPARE(rowTexts(console.historyList()), (QStringList { u"Customer"_s, u"Customer"_s, u"Customer"_s }));
        QList<int> stars;
        for (qint64 id : { 3, 4, 5 })
            stars << rowOf(console.historyList(), id).data(OperatorSessionListModel::FilledStarsRole).toInt();
        QCOMPARE(stars, (QList<int> { 3, 5, -1 }));
        console.setSelectedTab(OperatorConsoleTab::history);
        QTRY_VERIFY(console.historyList()->isVisible());
        VERIFY_SNAPSHOT(&console, u"history"_s);

        console.setSelectedTab(OperatorConsoleTab::statistics);
        auto* statistics = console.findChild<OperatorStatisticsView*>();
        QCOMPARE(statistics->cards().at(0)->value(), u"4"_s);
        QCOMPARE(statistics->cards().at(1)->value(), u"5.0"_s);
        QCOMPARE(statistics->cards().at(2)->value(), u"2m"_s);
        QCOMPARE(statistics->cards().at(3)->value(), u"-"_s);
        QTRY_VERIFY(statistics->isVisible());
        VERIFY_SNAPSHOT(&console, u"statistics"_s);
    }

    // The detail follows the list: after accept the session shows as active with
    // its end button and reply bar; after end neither.
    void detailFollowsActions()
    {
        DoubleClickInterval noDoubleClicks(0);
        Fixture f(R"([{"id":1,"status":"waiting","customerName":"Ann"}])");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QVERIFY(child<QWidget>(&console, u"emptySelection"_s)->isVisible());
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        auto* accept = child<QPushButton>(&console, u"acceptButton"_s);
        auto* end = child<QPushButton>(&console, u"endButton"_s);
        auto* bar = child<QWidget>(&console, u"inputBar"_s);
        QCOMPARE(child<QLabel>(&console, u"detailSessionId"_s)->text(), u"Session #1"_s);
        QCOMPARE(child<CapsuleBadge>(&console, u"statusCapsule"_s)->text(), Localized::text("operator.waiting"));
        QVERIFY(accept->isVisible());
        QVERIFY(!end->isVisible());
        QVERIFY(!bar->isVisible());
        accept->click();
        QTRY_VERIFY(end->isVisible());
        QVERIFY(!accept->isVisible());
        QVERIFY(bar->isVisible());
        QCOMPARE(child<CapsuleBadge>(&console, u"statusCapsule"_s)->text(), Localized::text("operator.active"));
        QCOMPARE(int(child<CapsuleBadge>(&console, u"statusCapsule"_s)->tint()), int(Tint::Green));
        QVERIFY(QTest::qWaitForWindowExposed(&console));
        VERIFY_SNAPSHOT(&console, u"chat"_s);
        end->click();
        QTRY_VERIFY(!bar->isVisible());
        QVERIFY(!end->isVisible());
        QCOMPARE(f.server.requestsTo(u"/api/trpc/operator.acceptSession"_s).size(), 1);
    }

    // While an accept or end of the selected session is on its way, the detail pane's
    // buttons are disabled and a second press sends nothing; a refusal enables them again.
    void detailButtonsWaitForTheirRequest_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("replyStatus");
        QTest::newRow("accept") << u"waiting"_s << u"acceptButton"_s << u"/api/trpc/operator.acceptSession"_s << 200;
        QTest::newRow("accept refused") << u"waiting"_s << u"acceptButton"_s << u"/api/trpc/operator.acceptSession"_s << 500;
        QTest::newRow("end") << u"active"_s << u"endButton"_s << u"/api/trpc/operator.endSession"_s << 200;
        QTest::newRow("end refused") << u"active"_s << u"endButton"_s << u"/api/trpc/operator.endSession"_s << 500;
    }
    void detailButtonsWaitForTheirRequest()
    {
        QFETCH(QString, status);
        QFETCH(QString, button);
        QFETCH(QString, path);
        QFETCH(int, replyStatus);
        Fixture f("[{\"id\":1,\"status\":\"" + status.toLatin1() + "\",\"customerName\":\"Ann\"}]");
        f.server.respond(path, { replyStatus, replyStatus == 200 ? envelope("null") : QByteArray(R"({"error":"no"})"), {}, true });
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        QPointer<QPushButton> pressed = child<QPushButton>(&console, button);
        QVERIFY(pressed && pressed->isVisible() && pressed->isEnabled());
        pressed->click();
        QTRY_COMPARE(f.server.requestsTo(path).size(), 1);
        QVERIFY(pressed);
        QVERIFY(!pressed->isEnabled());
        QTest::mouseClick(pressed, Qt::LeftButton);
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(path).size(), 1);
        f.server.release(path);
        QTRY_VERIFY(!console.model()->isBusy(1));
        QVERIFY(pressed);
        if (replyStatus != 200) {
            QVERIFY(pressed->isVisible());
            QVERIFY(pressed->isEnabled());
        }
    }

    // The console's chrome matches the administration console's: the refresh button
    // says what it does, and every divider is the same faint line.
    void chromeMatchesAdministration()
    {
        Fixture f("[]");
        OperatorConsoleView console(f.api);
        console.resize(900, 600);
        console.show();
        QVERIFY(console.model()->isLoading());
        QTRY_VERIFY(!console.model()->isLoading());
        auto* refresh = child<QToolButton>(&console, u"refreshButton"_s);
        QCOMPARE(refresh->toolTip(), Localized::text("admin.refresh"));
        // The same refresh symbol at the same size as the administration console's.
        AdminDashboardViewModel dashboard(f.api);
        AdminOverviewView overview(&dashboard);
        auto* adminRefresh = child<QToolButton>(&overview, u"refreshButton"_s);
        QCOMPARE(refresh->property(Icons::SymbolProperty), adminRefresh->property(Icons::SymbolProperty));
        QCOMPARE(refresh->iconSize(), adminRefresh->iconSize());
        QWidget host;
        const QString faint = divider(&host)->styleSheet();
        int lines = 0;
        for (QFrame* frame : console.findChildren<QFrame*>()) {
            if (frame->frameShape() != QFrame::HLine && frame->frameShape() != QFrame::VLine)
                continue;
            ++lines;
            QCOMPARE(frame->styleSheet(), faint);
        }
        QCOMPARE(lines, 3);
    }

    // A double click on "End session": the first click ends the selected session,
    // which stays selected showing its new status; the second never ends another
    // customer's session. The buttons are disabled while their request runs.
    void endTwiceEndsOne()
    {
        Fixture f(R"([{"id":1,"status":"active","customerName":"A"},{"id":2,"status":"active","customerName":"B"}])");
        const QString endPath = u"/api/trpc/operator.endSession"_s;
        f.server.respond(endPath, { 200, envelope("null"), {}, true });
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 2));
        QApplication::setActiveWindow(&console);
        QListView* workspace = console.workspaceList();
        workspace->setFocus();
        QTest::mouseClick(workspace->viewport(), Qt::LeftButton, {}, workspace->visualRect(rowOf(workspace, 1)).center());
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(1));
        auto* end = child<QPushButton>(&console, u"endButton"_s);
        QVERIFY(end->isVisible());
        QTest::mouseClick(end, Qt::LeftButton);
        QTRY_COMPARE(f.server.requestsTo(endPath).size(), 1);
        QVERIFY(!end->isEnabled());
        QTest::mouseClick(end, Qt::LeftButton);
        QSignalSpy resets(workspace->model(), &QAbstractItemModel::modelReset);
        QSignalSpy removed(workspace->model(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy added(console.historyList()->model(), &QAbstractItemModel::rowsInserted);
        f.server.release(endPath);
        QTRY_COMPARE(child<CapsuleBadge>(&console, u"statusCapsule"_s)->text(), Localized::text("operator.ended"));
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(1));
        QVERIFY(!end->isVisible());
        // The keyboard, back in the workspace, is on the customer left there, who is
        // not chosen for it.
        QCOMPARE(workspace->currentIndex(), rowOf(workspace, 2));
        QVERIFY(workspace->selectionModel()->selectedIndexes().isEmpty());
        QCOMPARE(console.historyList()->currentIndex(), rowOf(console.historyList(), 1));
        // A click that was queued before the button hid.
        end->click();
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(endPath).size(), 1);
        QCOMPARE(f.server.requestsTo(endPath).at(0).procedureInput().toObject(),
                 (QJsonObject { { u"sessionId"_s, 1 } }));
        QCOMPARE(rowTexts(workspace), (QStringList { u"[Active (1)]"_s, u"B"_s }));
        // The ended session moved: one row out of the workspace, one into history.
        QCOMPARE(resets.count(), 0);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(added.count(), 1);
    }

    // Moving between the tabs (by keyboard or mouse) keeps the selected session: a
    // list entered by Tab shows the row its keys start from, its first session,
    // without choosing it, and Down moves on from that row.
    void tabsKeepSelection()
    {
        Fixture f(R"([{"id":1,"status":"active","customerName":"A"},{"id":3,"status":"ended","customerName":"C"},)"
                  R"({"id":4,"status":"ended","customerName":"D"}])");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QApplication::setActiveWindow(&console);
        console.workspaceList()->setFocus();
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(1));
        auto* tabs = child<QTabBar>(&console, u"consoleTabs"_s);
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(int(OperatorConsoleTab::history)).center());
        QCOMPARE(console.selectedTab(), OperatorConsoleTab::history);
        QListView* history = console.historyList();
        tabs->setFocus(Qt::TabFocusReason);
        QTest::keyClick(tabs, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), history);
        QCOMPARE(history->currentIndex(), rowOf(history, 3));
        QVERIFY(history->selectionModel()->selectedIndexes().isEmpty());
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(1));
        const QImage entered = history->viewport()->grab().toImage();
        history->clearFocus();
        QVERIFY2(history->viewport()->grab().toImage() != entered, "the row the keys start from is not shown");
        history->setFocus(Qt::TabFocusReason);
        QTest::keyClick(history, Qt::Key_Down);
        QCOMPARE(history->currentIndex(), rowOf(history, 4));
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(4));
        QTest::keyClick(tabs, Qt::Key_Left);
        QCOMPARE(console.selectedTab(), OperatorConsoleTab::workspace);
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(4));
    }

    // The row menu offers what the row's status allows and acts on that row's session.
    void rowMenu_data()
    {
        QTest::addColumn<qint64>("session");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("path");
        QTest::newRow("waiting accepts") << qint64(1) << u"acceptAction"_s << u"/api/trpc/operator.acceptSession"_s;
        QTest::newRow("active ends") << qint64(2) << u"endAction"_s << u"/api/trpc/operator.endSession"_s;
    }
    void rowMenu()
    {
        QFETCH(qint64, session);
        QFETCH(QString, action);
        QFETCH(QString, path);
        Fixture f(R"([{"id":1,"status":"waiting","customerName":"A"},{"id":2,"status":"active","customerName":"B"},)"
                  R"({"id":3,"status":"active","customerName":"C"}])");
        f.server.respond(path, { 200, envelope("null"), {}, true });
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 3));
        QListView* workspace = console.workspaceList();
        const QPoint at = workspace->visualRect(rowOf(workspace, session)).center();
        Q_EMIT workspace->customContextMenuRequested(at);
        auto* menu = console.findChild<QMenu*>(u"sessionMenu"_s);
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QAction* item = menu->findChild<QAction*>(action);
        QVERIFY(item);
        item->trigger();
        QTRY_COMPARE(f.server.requestsTo(path).size(), 1);
        QCOMPARE(f.server.requestsTo(path).at(0).procedureInput().toObject(),
                 (QJsonObject { { u"sessionId"_s, session } }));
        // While it runs the same row's menu offers the action disabled.
        menu->close();
        Q_EMIT workspace->customContextMenuRequested(at);
        QMenu* again = nullptr;
        for (QMenu* m : console.findChildren<QMenu*>(u"sessionMenu"_s)) {
            if (m->isVisible())
                again = m;
        }
        QVERIFY(again);
        QVERIFY(!again->findChild<QAction*>(action)->isEnabled());
        f.server.release(path);
        QTRY_VERIFY(!console.model()->isBusy(session));
    }

    // Text typed for one customer stays with that customer.
    void draftPerCustomer()
    {
        Fixture f(R"([{"id":1,"status":"active","customerName":"A"},{"id":2,"status":"active","customerName":"B"}])");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 2));
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        auto* field = child<QLineEdit>(&console, u"replyField"_s);
        auto* send = child<QPushButton>(&console, u"sendButton"_s);
        QVERIFY(!send->isEnabled());
        QTest::keyClicks(field, u"for A"_s);
        QVERIFY(send->isEnabled());
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 2));
        QCOMPARE(field->text(), QString());
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClicks(field, u"  "_s);
        QVERIFY(!send->isEnabled());
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(sendPath).size(), 0);
        QTest::keyClicks(field, u"for B "_s);
        send->click();
        QTRY_COMPARE(f.server.requestsTo(sendPath).size(), 1);
        QCOMPARE(f.server.requestsTo(sendPath).at(0).procedureInput().toObject(),
                 (QJsonObject { { u"sessionId"_s, 2 }, { u"content"_s, u"for B"_s } }));
        QTRY_COMPARE(field->text(), QString());
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        QCOMPARE(field->text(), u"for A"_s);
    }

    // While a reply is on its way, Send waits, visibly, and a second send (button or
    // Return) sends nothing; another customer's Send is not held up; once the reply
    // is through, Send works again. The keyboard stays in the input bar.
    void secondSendWaitsForTheFirst_data()
    {
        QTest::addColumn<QString>("how"); // how the first reply is sent
        QTest::newRow("click") << u"click"_s;
        QTest::newRow("Return") << u"Return"_s;
        QTest::newRow("Space on the button") << u"Space"_s;
    }
    void secondSendWaitsForTheFirst()
    {
        QFETCH(QString, how);
        Fixture f(R"([{"id":1,"status":"active","customerName":"A"},{"id":2,"status":"active","customerName":"B"}])");
        f.server.respond(sendPath, { 200, envelope("null"), {}, true });
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 2));
        QApplication::setActiveWindow(&console);
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 2));
        auto* field = child<QLineEdit>(&console, u"replyField"_s);
        auto* send = child<QPushButton>(&console, u"sendButton"_s);
        QTest::keyClicks(field, u"for B"_s);
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        field->setFocus();
        QTest::keyClicks(field, u"first"_s);
        if (how == u"click") {
            QTest::mouseClick(send, Qt::LeftButton);
        } else if (how == u"Return") {
            QTest::keyClick(field, Qt::Key_Return);
        } else {
            send->setFocus();
            QTest::keyClick(send, Qt::Key_Space);
        }
        QTRY_COMPARE(f.server.requestsTo(sendPath).size(), 1);
        QVERIFY(!send->isEnabled());
        QVERIFY2(field->hasFocus(), "the keyboard stays in the input bar");
        QTest::keyClicks(field, u" and more"_s);
        QVERIFY(!send->isEnabled());
        QTest::mouseClick(send, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(sendPath).size(), 1);

        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 2));
        QVERIFY2(send->isEnabled(), "B's reply does not wait for A's");
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        QVERIFY(!send->isEnabled());

        f.server.release(sendPath);
        QTRY_VERIFY(send->isEnabled());
        QCOMPARE(field->text(), u"first and more"_s); // typed while the first was sent: kept
        QTest::mouseClick(send, Qt::LeftButton);
        QTRY_COMPARE(f.server.requestsTo(sendPath).size(), 2);
        QCOMPARE(f.server.requestsTo(sendPath).at(1).procedureInput().toObject(),
                 (QJsonObject { { u"sessionId"_s, 1 }, { u"content"_s, u"first and more"_s } }));
        f.server.release(sendPath);
    }

    // Tab goes from the list to the selected session's Accept, or to the reply field,
    // its send button and End, then round by refresh and the tabs; every control it
    // reaches shows when it has the keyboard (its picture differs once Tab moved on).
    void everyControlShowsFocus_data()
    {
        QTest::addColumn<QByteArray>("sessions");
        QTest::addColumn<QStringList>("reached");
        QTest::newRow("statistics") << QByteArray("[]") << QStringList { u"statisticsScroll"_s, u"refreshButton"_s, u"consoleTabs"_s };
        QTest::newRow("waiting session") << QByteArray(R"([{"id":1,"status":"waiting","customerName":"A"}])")
                                         << QStringList { u"workspaceList"_s, u"acceptButton"_s, u"refreshButton"_s, u"consoleTabs"_s };
        QTest::newRow("active session") << QByteArray(R"([{"id":1,"status":"active","customerName":"A"}])")
                                        << QStringList { u"workspaceList"_s, u"replyField"_s, u"sendButton"_s, u"endButton"_s,
                                                         u"refreshButton"_s, u"consoleTabs"_s };
    }
    void everyControlShowsFocus()
    {
        QFETCH(QByteArray, sessions);
        QFETCH(QStringList, reached);
        Fixture f(sessions);
        OperatorConsoleView console(f.api);
        console.resize(900, 600);
        console.show();
        QApplication::setActiveWindow(&console);
        QVERIFY(console.model()->isLoading());
        QTRY_VERIFY(!console.model()->isLoading());
        if (sessions == "[]") {
            console.setSelectedTab(OperatorConsoleTab::statistics);
        } else {
            QTRY_VERIFY(rowOf(console.workspaceList(), 1).isValid());
            console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        }
        if (auto* field = child<QLineEdit>(&console, u"replyField"_s); field->isVisible())
            QTest::keyClicks(field, u"hi"_s); // the send button takes the keyboard only with a draft
        child<QWidget>(&console, reached.first())->setFocus(Qt::TabFocusReason);
        QStringList order;
        for (int i = 0; i < reached.size(); ++i) {
            QWidget* control = QApplication::focusWidget();
            QVERIFY(control);
            const QImage focused = control->grab().toImage();
            QTest::keyClick(control, Qt::Key_Tab);
            QVERIFY(!control->hasFocus());
            QVERIFY2(control->grab().toImage() != focused, qPrintable(control->objectName() + u" shows no focus"_s));
            order << control->objectName();
        }
        QCOMPARE(order, reached);
        QCOMPARE(QApplication::focusWidget()->objectName(), reached.first());
    }

    // An action pressed from the keyboard keeps the keyboard in the session pane
    // while its request runs, and leaves it where the next key makes sense: after
    // accept in the reply field, after a failure on the same button, after end back
    // in the list, on the customer still there (marked, not chosen). A space typed
    // meanwhile reloads nothing.
    void keyboardStaysAfterAction_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("reply");
        QTest::addColumn<QString>("focusAfter");
        QTest::addColumn<QString>("tabAfter");
        QTest::newRow("accept") << u"waiting"_s << 200 << u"replyField"_s << u"endButton"_s;
        QTest::newRow("accept fails") << u"waiting"_s << 500 << u"acceptButton"_s << u"refreshButton"_s;
        QTest::newRow("end") << u"active"_s << 200 << u"workspaceList"_s << QString();
        QTest::newRow("end fails") << u"active"_s << 500 << u"endButton"_s << u"refreshButton"_s;
    }
    void keyboardStaysAfterAction()
    {
        QFETCH(QString, status);
        QFETCH(int, reply);
        QFETCH(QString, focusAfter);
        QFETCH(QString, tabAfter);
        Fixture f("[{\"id\":1,\"status\":\"" + status.toUtf8() + "\",\"customerName\":\"A\"},"
                  "{\"id\":2,\"status\":\"waiting\",\"customerName\":\"B\"}]");
        const bool accept = status == u"waiting";
        const QString path = accept ? u"/api/trpc/operator.acceptSession"_s : u"/api/trpc/operator.endSession"_s;
        f.server.respond(path, { reply, reply == 200 ? envelope("null") : QByteArray(R"({"error":"no"})"), {}, true });
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QApplication::setActiveWindow(&console);
        console.workspaceList()->setFocus(Qt::TabFocusReason);
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        if (!accept) // End comes after the reply field and its send button
            child<QLineEdit>(&console, u"replyField"_s)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* action = console.focusWidget();
        QVERIFY(action);
        QCOMPARE(action->objectName(), accept ? u"acceptButton"_s : u"endButton"_s);
        QTest::keyClick(action, Qt::Key_Space);
        QTRY_COMPARE(f.server.requestsTo(path).size(), 1);
        QWidget* waiting = console.focusWidget();
        QVERIFY(waiting);
        QVERIFY2(child<QWidget>(&console, u"operatorSessionDetail"_s)->isAncestorOf(waiting), qPrintable(waiting->objectName()));
        QTest::keyClick(waiting, Qt::Key_Space);
        f.server.release(path);
        QTRY_VERIFY(!console.model()->isBusy(1));
        if (reply != 200) {
            QTRY_VERIFY(console.model()->errorMessage().has_value());
            console.model()->clearError();
            QApplication::setActiveWindow(&console);
        }
        // The window's own focus widget: an alert may have had the keyboard meanwhile.
        const auto focusName = [&console] { return console.focusWidget() ? console.focusWidget()->objectName() : QString(); };
        QTRY_COMPARE(focusName(), focusAfter);
        if (focusAfter == u"workspaceList") {
            const QModelIndex current = console.workspaceList()->currentIndex();
            QCOMPARE(current.data(OperatorSessionListModel::SessionIdRole).toLongLong(), 2);
            QVERIFY(!console.workspaceList()->selectionModel()->isSelected(current));
            QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(1));
        }
        auto* field = child<QLineEdit>(&console, u"replyField"_s);
        if (focusAfter == u"replyField") {
            QTest::keyClicks(console.focusWidget(), u"hello "_s);
            QCOMPARE(field->text(), u"hello "_s);
            field->clear();
            console.model()->setMessageText(QString());
        }
        if (!tabAfter.isEmpty()) {
            QTest::keyClick(console.focusWidget(), Qt::Key_Tab);
            QCOMPARE(focusName(), tabAfter);
        }
        QCOMPARE(f.server.requestsTo(path).size(), 1);
        QCOMPARE(f.server.requestsTo(sessionsPath).size(), 1);
    }

    // A session that ends elsewhere while its End button has the keyboard (read by a
    // reload the operator did not start here) hands the keyboard back to the list.
    void sessionEndedElsewhereGivesBackTheKeyboard()
    {
        Fixture f("[{\"id\":1,\"status\":\"active\",\"customerName\":\"A\"}]");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QApplication::setActiveWindow(&console);
        console.workspaceList()->setFocus(Qt::TabFocusReason);
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        auto* end = child<QPushButton>(&console, u"endButton"_s);
        QTRY_VERIFY(end->isVisible());
        end->setFocus(Qt::TabFocusReason);
        QCOMPARE(console.focusWidget(), end);

        f.server.respond(sessionsPath, { 200, envelope(R"([{"id":1,"status":"ended","customerName":"A"}])") });
        console.model()->loadData();
        QTRY_COMPARE(f.server.requestsTo(sessionsPath).size(), 2);
        QTRY_VERIFY(!console.model()->isLoading());
        QTRY_COMPARE(console.focusWidget(), console.workspaceList());
    }

    // Accept pressed twice never ends the session it accepted: End takes Accept's
    // place, and within the double-click interval it does nothing, whether the
    // second press is the second half of a mouse double click, a second Space
    // (which the reply field, now holding the keyboard, does not type either), or
    // a Tab and Space. Once the interval has passed, End ends.
    void acceptCannotEnd_data()
    {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("ends");
        QTest::newRow("double click") << u"double click"_s << 60000 << false;
        QTest::newRow("space twice") << u"space space"_s << 60000 << false;
        QTest::newRow("return twice") << u"return return"_s << 60000 << false;
        QTest::newRow("space, tab, space") << u"space tab space"_s << 60000 << false;
        QTest::newRow("double click after the interval") << u"double click"_s << 0 << true;
        QTest::newRow("space, tab, space after the interval") << u"space tab space"_s << 0 << true;
    }
    void acceptCannotEnd()
    {
        QFETCH(QString, presses);
        QFETCH(int, interval);
        QFETCH(bool, ends);
        DoubleClickInterval lasting(interval);
        Fixture f(oneSession(u"waiting"_s));
        const QString endPath = u"/api/trpc/operator.endSession"_s;
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QApplication::setActiveWindow(&console);
        QVERIFY(QTest::qWaitForWindowActive(&console));
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        auto* accept = child<QPushButton>(&console, u"acceptButton"_s);
        auto* end = child<QPushButton>(&console, u"endButton"_s);
        auto* field = child<QLineEdit>(&console, u"replyField"_s);
        const QPoint place = accept->mapTo(&console, accept->rect().center());
        const auto accepted = [&] { return end->isVisible() && !console.model()->isBusy(1); };
        if (presses == u"double click") {
            QTest::mouseClick(accept, Qt::LeftButton);
            QTRY_VERIFY(accepted());
            QWidget* under = console.childAt(place);
            QCOMPARE(under, end);
            // The second half of the double click, where the first one was: a press
            // (which gives the button under it the keyboard), then the double click.
            const QPointF at = under->mapFrom(&console, place);
            const QPointF global = console.mapToGlobal(QPointF(place));
            QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(under, &press);
            QMouseEvent second(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(under, &second);
            QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(under, &release);
        } else {
            const QStringList keys = presses.split(u' ');
            accept->setFocus(Qt::TabFocusReason);
            const auto press = [](const QString& key) {
                QTest::keyClick(QApplication::focusWidget(),
                                key == u"space" ? Qt::Key_Space : key == u"tab" ? Qt::Key_Tab : Qt::Key_Return);
            };
            press(keys.first());
            QTRY_VERIFY(accepted());
            QCOMPARE(QApplication::focusWidget(), field);
            for (const QString& key : keys.mid(1))
                press(key);
        }
        if (ends) {
            QTRY_COMPARE(f.server.requestsTo(endPath).size(), 1);
            return;
        }
        // An end would have marked the session busy at once, before its request left.
        QVERIFY(!console.model()->isBusy(1));
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(u"/api/trpc/operator.acceptSession"_s).size(), 1);
        QCOMPARE(f.server.requestsTo(endPath).size(), 0);
        QCOMPARE(console.model()->sessions().first().status, std::optional<QString>(u"active"_s));
        QCOMPARE(field->text(), QString());
        // Whatever the second press was, the keyboard is in the reply field: a Space
        // typed now ends nothing.
        QCOMPARE(QApplication::focusWidget(), field);
        QTest::keyClick(field, Qt::Key_Space);
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(endPath).size(), 0);
    }

    // Return runs a row's main action and presses a focused button: Return on a
    // waiting row accepts it (choosing it, the keyboard staying on its row), on an
    // active row does nothing, on a row whose accept is on its way sends nothing
    // more; Return on the focused Accept presses it.
    void returnKey_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("presses");
        QTest::addColumn<int>("accepts");
        QTest::newRow("waiting row") << u"waiting"_s << u"workspaceList"_s << 1 << 1;
        QTest::newRow("waiting row, twice") << u"waiting"_s << u"workspaceList"_s << 2 << 1;
        QTest::newRow("active row") << u"active"_s << u"workspaceList"_s << 1 << 0;
        QTest::newRow("accept button") << u"waiting"_s << u"acceptButton"_s << 1 << 1;
    }
    void returnKey()
    {
        QFETCH(QString, status);
        QFETCH(QString, target);
        QFETCH(int, presses);
        QFETCH(int, accepts);
        Fixture f(R"([{"id":1,"status":"waiting","customerName":"A"},{"id":2,"status":")" + status.toLatin1()
                  + R"(","customerName":"B"}])");
        const QString acceptPath = u"/api/trpc/operator.acceptSession"_s;
        f.server.respond(acceptPath, { 200, envelope("null"), {}, true });
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 2));
        QApplication::setActiveWindow(&console);
        QVERIFY(QTest::qWaitForWindowActive(&console));
        QListView* workspace = console.workspaceList();
        if (target == u"workspaceList") {
            workspace->setFocus(Qt::TabFocusReason);
            QTest::keyClick(workspace, Qt::Key_End);
            QCOMPARE(workspace->currentIndex(), rowOf(workspace, 2));
        } else {
            workspace->setCurrentIndex(rowOf(workspace, 2));
            child<QWidget>(&console, target)->setFocus(Qt::TabFocusReason);
        }
        QSignalSpy triggered(qobject_cast<RowActionDelegate*>(workspace->itemDelegate()), &RowActionDelegate::actionTriggered);
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        // A second Return meets the action disabled while its request runs: the row
        // does not trigger it again.
        if (target == u"workspaceList")
            QCOMPARE(triggered.size(), accepts);
        // Accept and end mark the session busy at once, before their request leaves.
        QCOMPARE(console.model()->isBusy(2), accepts > 0);
        QTRY_COMPARE(f.server.requestsTo(acceptPath).size(), accepts);
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(acceptPath).size(), accepts);
        QCOMPARE(f.server.requestsTo(u"/api/trpc/operator.endSession"_s).size(), 0);
        if (accepts == 0)
            return;
        QCOMPARE(f.server.requestsTo(acceptPath).at(0).procedureInput().toObject(),
                 (QJsonObject { { u"sessionId"_s, 2 } }));
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(2));
        f.server.release(acceptPath);
        QTRY_COMPARE(console.model()->sessions().at(1).status, std::optional<QString>(u"active"_s));
        if (target == u"workspaceList") {
            QCOMPARE(QApplication::focusWidget(), workspace);
            QCOMPARE(workspace->currentIndex(), rowOf(workspace, 2));
        }
    }

    // An operator's whole task without the mouse: from the refresh button, Tab to
    // the tabs and into the workspace, Return accepts the first waiting customer,
    // Tab reaches the reply field, Return sends, Tab past the send button reaches
    // End, Space ends the session and the keyboard is back in the list.
    void keyboardOnlyShift()
    {
        DoubleClickInterval lasting(0);
        Fixture f(R"([{"id":5,"status":"waiting","customerName":"E"},{"id":6,"status":"waiting","customerName":"F"}])");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 6));
        QApplication::setActiveWindow(&console);
        QVERIFY(QTest::qWaitForWindowActive(&console));
        child<QWidget>(&console, u"refreshButton"_s)->setFocus(Qt::TabFocusReason);
        const auto key = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
        const auto focused = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); };
        key(Qt::Key_Tab);
        QCOMPARE(focused(), u"consoleTabs"_s);
        key(Qt::Key_Tab);
        QCOMPARE(focused(), u"workspaceList"_s);
        key(Qt::Key_Return);
        QTRY_COMPARE(console.model()->sessions().first().status, std::optional<QString>(u"active"_s));
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(5));
        key(Qt::Key_Tab);
        QCOMPARE(focused(), u"replyField"_s);
        QTest::keyClicks(QApplication::focusWidget(), u"How can I help?"_s);
        key(Qt::Key_Return);
        QTRY_COMPARE(f.server.requestsTo(sendPath).size(), 1);
        QCOMPARE(f.server.requestsTo(sendPath).at(0).procedureInput().toObject(),
                 (QJsonObject { { u"sessionId"_s, 5 }, { u"content"_s, u"How can I help?"_s } }));
        QTRY_COMPARE(child<QLineEdit>(&console, u"replyField"_s)->text(), QString());
        key(Qt::Key_Tab);
        QCOMPARE(focused(), u"endButton"_s);
        key(Qt::Key_Space);
        QTRY_COMPARE(console.model()->sessions().first().status, std::optional<QString>(u"ended"_s));
        QTRY_COMPARE(focused(), u"workspaceList"_s);
        QCOMPARE(f.server.requestsTo(u"/api/trpc/operator.acceptSession"_s).size(), 1);
        QCOMPARE(f.server.requestsTo(u"/api/trpc/operator.endSession"_s).size(), 1);
        QCOMPARE(console.model()->sessions().at(1).status, std::optional<QString>(u"waiting"_s));
    }

    // A row menu acts on the status the session has when its entry is chosen: a
    // reload while the menu was open that shows the session in another state
    // makes the entry do nothing.
    void rowMenuOnChangedStatus_data()
    {
        QTest::addColumn<qint64>("session");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("reloaded");
        QTest::newRow("accept, since accepted") << qint64(1) << u"acceptAction"_s << u"/api/trpc/operator.acceptSession"_s
                                                << QByteArray(R"([{"id":1,"status":"active"},{"id":2,"status":"active"}])");
        QTest::newRow("accept, since ended") << qint64(1) << u"acceptAction"_s << u"/api/trpc/operator.acceptSession"_s
                                             << QByteArray(R"([{"id":1,"status":"ended"},{"id":2,"status":"active"}])");
        QTest::newRow("end, since ended") << qint64(2) << u"endAction"_s << u"/api/trpc/operator.endSession"_s
                                          << QByteArray(R"([{"id":1,"status":"waiting"},{"id":2,"status":"ended"}])");
        QTest::newRow("end, gone") << qint64(2) << u"endAction"_s << u"/api/trpc/operator.endSession"_s
                                   << QByteArray(R"([{"id":1,"status":"waiting"}])");
    }
    void rowMenuOnChangedStatus()
    {
        QFETCH(qint64, session);
        QFETCH(QString, action);
        QFETCH(QString, path);
        QFETCH(QByteArray, reloaded);
        Fixture f(R"([{"id":1,"status":"waiting","customerName":"A"},{"id":2,"status":"active","customerName":"B"}])");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 2));
        QListView* workspace = console.workspaceList();
        Q_EMIT workspace->customContextMenuRequested(workspace->visualRect(rowOf(workspace, session)).center());
        QPointer<QMenu> menu = console.findChild<QMenu*>(u"sessionMenu"_s);
        QVERIFY(menu);
        QAction* item = menu->findChild<QAction*>(action);
        QVERIFY(item && item->isEnabled());

        f.server.respond(sessionsPath, { 200, envelope(reloaded) });
        QTest::mouseClick(child<QToolButton>(&console, u"refreshButton"_s), Qt::LeftButton);
        QTRY_COMPARE(f.server.requestsTo(sessionsPath).size(), 2);
        QTRY_VERIFY(!console.model()->isLoading());
        QVERIFY(menu);
        item->trigger();
        QTRY_VERIFY(!console.model()->isBusy(session));
        QCOMPARE(f.server.requestsTo(path).size(), 0);
        QVERIFY(!console.model()->errorMessage());
    }

    // The same sessions listed again in another order: the history starts over,
    // announced before and after, so its view lets go of the rows before they change.
    void reorderedReloadStartsOver()
    {
        Fixture f(R"([{"id":3,"status":"ended","customerName":"C"},{"id":4,"status":"ended","customerName":"D"}])");
        OperatorConsoleView console(f.api);
        console.show();
        QAbstractItemModel* history = console.historyList()->model();
        QTRY_COMPARE(history->rowCount(), 2);
        QTRY_VERIFY(!console.model()->isLoading());
        QSignalSpy aboutToReset(history, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy reset(history, &QAbstractItemModel::modelReset);
        f.server.respond(sessionsPath, { 200, envelope(R"([{"id":4,"status":"ended","customerName":"D"},{"id":3,"status":"ended","customerName":"C"}])") });
        QTest::mouseClick(child<QToolButton>(&console, u"refreshButton"_s), Qt::LeftButton);
        QTRY_COMPARE(reset.count(), 1);
        QCOMPARE(aboutToReset.count(), 1);
        QCOMPARE(rowTexts(console.historyList()), (QStringList { u"D"_s, u"C"_s }));
    }

    // Only ended sessions: the workspace says so, the history lists them.
    void placeholders()
    {
        Fixture f(R"([{"id":3,"status":"ended"}])");
        f.server.respond(sessionsPath, { 200, envelope(R"([{"id":3,"status":"ended"}])"), {}, true });
        OperatorConsoleView console(f.api);
        console.resize(900, 600);
        console.show();
        QTRY_COMPARE(f.server.requestsTo(sessionsPath).size(), 1);
        QVERIFY(console.model()->isLoading());
        // The workspace spins while it loads, and stops once it knows.
        const auto spinning = [&console] {
            int shown = 0;
            for (const Spinner* spinner : console.findChildren<Spinner*>())
                shown += spinner->isVisible() ? 1 : 0;
            return shown;
        };
        QCOMPARE(spinning(), 1);
        QVERIFY(!child<QLabel>(&console, u"noSessions"_s)->isVisible());
        QVERIFY(!child<QLabel>(&console, u"noSessionsSymbol"_s)->isVisible());
        // The history says it is empty only once it knows.
        console.setSelectedTab(OperatorConsoleTab::history);
        QVERIFY(!child<QLabel>(&console, u"noHistory"_s)->isVisible());
        console.setSelectedTab(OperatorConsoleTab::workspace);
        f.server.release(sessionsPath);
        QTRY_VERIFY(!console.model()->isLoading());
        QCOMPARE(spinning(), 0);
        QVERIFY(child<QLabel>(&console, u"noSessions"_s)->isVisible());
        QCOMPARE(child<QLabel>(&console, u"noSessions"_s)->text(), Localized::text("operator.no_sessions"));
        QVERIFY(child<QLabel>(&console, u"noSessionsSymbol"_s)->isVisible());
        QCOMPARE(child<QLabel>(&console, u"noSessionsSymbol"_s)->property(Icons::SymbolProperty).toString(), u"headphones"_s);
        QVERIFY(QTest::qWaitForWindowExposed(&console));
        VERIFY_SNAPSHOT(&console, u"no-sessions"_s);
        console.setSelectedTab(OperatorConsoleTab::history);
        QVERIFY(!child<QLabel>(&console, u"noHistory"_s)->isVisible());
        QVERIFY(!child<QLabel>(&console, u"noHistorySymbol"_s)->isVisible());
        QCOMPARE(console.historyList()->model()->rowCount(), 1);
    }

    // A session row as painted: the avatar, a circle 36 across in the accent colour at
    // 0.2 with the name's first letter centred over it in the caption font at medium
    // weight; 10 points after it the name in the body font over the last message in
    // the caption font; on the trailing edge the time in the second caption font over
    // the stars in yellow, 8 across and 1 apart, history rows only; 2 points at least
    // above and below.
    void sessionRowPainting_data()
    {
        QTest::addColumn<bool>("history");
        QTest::addColumn<int>("rating");
        QTest::addColumn<QString>("stars");
        QTest::newRow("waiting") << false << 3 << QString();
        QTest::newRow("ended, rated 3") << true << 3 << u"★★★☆☆"_s;
        QTest::newRow("ended, rated 0") << true << 0 << u"☆☆☆☆☆"_s;
    }
    void sessionRowPainting()
    {
        QFETCH(bool, history);
        QFETCH(int, rating);
        QFETCH(QString, stars);
        Fixture f(R"([{"id":1,"status":"waiting","customerName":"Cleo","lastMessage":"where is it","createdAt":"10:42"},)"
                  R"({"id":2,"status":"ended","customerName":"Cleo","lastMessage":"where is it","createdAt":"10:42","rating":)"
                  + QByteArray::number(rating) + "}]");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QListView* list = history ? console.historyList() : console.workspaceList();
        const QModelIndex index = rowOf(list, history ? 2 : 1);
        QVERIFY(index.isValid());
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.rect = QRect(QPoint(0, 0), list->itemDelegate()->sizeHint(option, index));
        option.rect.setWidth(320);
        const Painting painted = PaintLog::record(option.rect.size(), [&](QPainter* painter) { list->itemDelegate()->paint(painter, option, index); });
        // One painter draws the headings and rows one after another: none leaves it changed.
        const QString leftChanged = testsupport::rowsLeavingPainterChanged(list);
        QVERIFY2(leftChanged.isEmpty(), qPrintable(leftChanged));

        QRectF avatar;
        for (const PaintedItem& shape : painted.shapes()) {
            if (shape.brush.rgb() == Appearance::accent().rgb())
                avatar = shape.rect;
        }
        QVERIFY2(avatar.isValid(), qPrintable(painted.allText()));
        QCOMPARE(avatar.size(), QSizeF(36, 36));
        QVERIFY(avatar.top() >= 2 && option.rect.height() - avatar.bottom() >= 2);
        QVERIFY2(qAbs(avatar.center().y() - option.rect.height() / 2.0) <= 0.5, qPrintable(QDebug::toString(avatar)));
        for (const PaintedItem& shape : painted.shapes()) {
            if (shape.rect != avatar)
                continue;
            QVERIFY2(qAbs(shape.brush.alphaF() * shape.opacity - 0.2) < 0.01, qPrintable(QString::number(shape.brush.alphaF())));
            QVERIFY2(shape.hints.testFlag(QPainter::Antialiasing), "a circle drawn aliased has stepped edges");
        }

        const std::optional<PaintedItem> initial = painted.text(u"C"_s);
        QVERIFY(initial);
        QCOMPARE(initial->font.weight(), QFont::Medium);
        QCOMPARE(initial->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QVERIFY(qAbs(initial->rect.center().x() - avatar.center().x()) <= 1);
        QVERIFY(qAbs(initial->rect.center().y() - avatar.center().y()) <= 1.5);

        const std::optional<PaintedItem> name = painted.text(u"Cleo"_s);
        const std::optional<PaintedItem> last = painted.text(u"where is it"_s);
        QVERIFY(name && last);
        QCOMPARE(name->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
        QCOMPARE(last->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(name->pen, option.palette.color(QPalette::Text));
        QCOMPARE(last->pen, Appearance::secondaryText());
        QCOMPARE(name->rect.left() - avatar.right(), 10.0);
        QCOMPARE(last->rect.left(), name->rect.left());
        QVERIFY2(last->rect.top() >= name->rect.bottom(), "the message under the name");

        const std::optional<PaintedItem> time = painted.text(u"10:42"_s);
        QVERIFY(time);
        QCOMPARE(time->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
        QCOMPARE(time->pen, Appearance::secondaryText());
        QVERIFY2(time->rect.left() >= name->rect.left() + 10, "trailing");
        const std::optional<PaintedItem> starText = painted.text(u"☆"_s);
        QCOMPARE(bool(starText), history);
        // The trailing column centred in the row, as the text column is.
        const qreal trailingTop = time->rect.top();
        const qreal trailingBottom = starText ? starText->rect.bottom() : time->rect.bottom();
        const qreal above = trailingTop - option.rect.top();
        const qreal below = option.rect.bottom() + 1 - trailingBottom;
        QVERIFY2(qAbs(above - below) <= 3.5, qPrintable(u"%1 above, %2 below"_s.arg(above).arg(below)));
        if (history) {
            QCOMPARE(starText->text, stars);
            QCOMPARE(starText->pen, tintColor(Tint::Yellow));
            // Each star 8 across, 1 apart.
            QCOMPARE(starText->font.pixelSize(), 8);
            QFont unspaced = starText->font;
            unspaced.setLetterSpacing(QFont::AbsoluteSpacing, 0);
            QVERIFY2(starText->rect.width() >= QFontMetricsF(unspaced).horizontalAdvance(stars) + 4, qPrintable(QDebug::toString(starText->rect)));
            QVERIFY2(starText->rect.top() >= time->rect.bottom(), "the stars under the time");
            QCOMPARE(starText->rect.right(), time->rect.right());
        }
    }

    // The sidebar as laid out: at least 260 wide however narrow the window; the
    // three counters 16 apart, each its count in bold over its label, 2 apart, in
    // the badge's colour over the secondary one; the tab picker 8 below the divider
    // and 8 above the tab's content.
    void sidebarLayout()
    {
        Fixture f(R"([{"id":1,"status":"waiting","customerName":"A"}])");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QWidget* sidebar = child<QWidget>(&console, u"operatorSidebar"_s);
        const int wide = sidebar->width();
        QVERIFY(wide > 260);
        console.resize(200, 600);
        QTRY_VERIFY(sidebar->width() < wide);
        QCOMPARE(sidebar->width(), 260);
        console.resize(900, 600);
        QTRY_VERIFY(sidebar->width() > 260);
        // However wide the window, the sidebar keeps its own width: the detail takes the rest.
        console.resize(1600, 600);
        QTRY_COMPARE(sidebar->width(), std::max(260, sidebar->sizeHint().width()));

        const auto badges = console.findChildren<OperatorStatusBadge*>();
        QCOMPARE(badges.size(), 3);
        const QColor colours[] = { tintColor(Tint::Orange), tintColor(Tint::Green), tintColor(Tint::Gray) };
        for (int i = 0; i < badges.size(); ++i) {
            if (i > 0) {
                const int gap = badges.at(i)->mapTo(sidebar, QPoint()).x() - badges.at(i - 1)->mapTo(sidebar, QPoint(badges.at(i - 1)->width(), 0)).x();
                QCOMPARE(gap, 16);
            }
            auto* count = child<QLabel>(badges.at(i), u"badgeCount"_s);
            auto* label = child<QLabel>(badges.at(i), u"badgeLabel"_s);
            QVERIFY(count && label && label->isVisible());
            QVERIFY(count->font().bold());
            QVERIFY(count->font().pixelSize() > label->font().pixelSize());
            QCOMPARE(label->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
            QCOMPARE(count->palette().color(QPalette::WindowText), colours[i]);
            QCOMPARE(label->palette().color(QPalette::WindowText), Appearance::secondaryText());
            QCOMPARE(label->y() - (count->y() + count->height()), 2);
            QVERIFY(qAbs(count->geometry().center().x() - label->geometry().center().x()) <= 1);
        }

        auto* tabs = child<QTabBar>(&console, u"consoleTabs"_s);
        QFrame* line = nullptr;
        for (QFrame* frame : sidebar->findChildren<QFrame*>()) {
            if (frame->frameShape() == QFrame::HLine)
                line = frame;
        }
        QVERIFY(line);
        QCOMPARE(tabs->mapTo(sidebar, QPoint()).y() - line->mapTo(sidebar, QPoint(0, line->height())).y(), 8);
        QWidget* content = console.workspaceList();
        while (content->parentWidget() && content->parentWidget() != sidebar && !qobject_cast<QStackedWidget*>(content->parentWidget()))
            content = content->parentWidget();
        QCOMPARE(content->parentWidget()->mapTo(sidebar, QPoint()).y() - tabs->mapTo(sidebar, QPoint(0, tabs->height())).y(), 8);
    }

    // The status capsule in the detail's header: its text in the caption font and the
    // status colour, padded 8 left and right and 3 above and below, on that colour at 0.15.
    void statusCapsulePadding()
    {
        Fixture f(oneSession(u"waiting"_s));
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        auto* capsule = child<CapsuleBadge>(&console, u"statusCapsule"_s);
        QTRY_VERIFY(capsule->isVisible());
        const QString text = Localized::text("operator.waiting");
        QCOMPARE(capsule->text(), text);
        PaintLog log(capsule->size());
        capsule->render(&log);
        const std::optional<PaintedItem> word = log.painting().text(text);
        QVERIFY2(word, qPrintable(log.painting().allText()));
        const QColor orange = tintColor(Tint::Orange);
        QCOMPARE(word->pen, orange);
        QCOMPARE(word->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QRectF fill;
        for (const PaintedItem& shape : log.painting().shapes()) {
            if (shape.brush.rgb() == orange.rgb()) {
                fill = shape.rect;
                QVERIFY2(qAbs(shape.brush.alphaF() - 0.15) < 0.01, qPrintable(QString::number(shape.brush.alphaF())));
            }
        }
        QVERIFY(fill.isValid());
        const QFontMetricsF metrics(word->font);
        QVERIFY2(qAbs(fill.width() - metrics.horizontalAdvance(text) - 16) <= 1, qPrintable(QDebug::toString(fill)));
        QVERIFY2(qAbs(fill.height() - metrics.height() - 6) <= 1, qPrintable(QDebug::toString(fill)));
        QVERIFY(qAbs(word->rect.left() - fill.left() - 8) <= 1);
    }

    // The detail of an active session as laid out: the name in the headline font over
    // its session number in the caption font, secondary, 2 apart; the message area's
    // text 100 below the divider under the header; the reply field and send button 8 apart.
    void detailLayout()
    {
        Fixture f(oneSession(u"active"_s));
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        // Nothing selected: the headphones 8 above the invitation in the
        // second title font, secondary, centred in the pane.
        QWidget* empty = child<QWidget>(&console, u"emptySelection"_s);
        QVERIFY(empty->isVisible());
        QLabel* invitation = nullptr;
        QLabel* symbol = nullptr;
        for (QLabel* label : empty->findChildren<QLabel*>())
            (label->property(Icons::SymbolProperty).isValid() ? symbol : invitation) = label;
        QVERIFY(invitation && symbol);
        QCOMPARE(symbol->property(Icons::SymbolProperty).toString(), u"headphones"_s);
        QCOMPARE(invitation->text(), Localized::text("operator.empty_selection"));
        QCOMPARE(invitation->font().pixelSize(), Appearance::font(Appearance::TextStyle::Title2).pixelSize());
        QCOMPARE(invitation->palette().color(QPalette::WindowText), Appearance::secondaryText());
        QCOMPARE(invitation->y() - (symbol->y() + symbol->height()), 8);
        QVERIFY(qAbs(invitation->geometry().center().x() - empty->width() / 2) <= 1);
        QVERIFY(qAbs(symbol->geometry().center().x() - empty->width() / 2) <= 1);
        const int above = symbol->y();
        const int below = empty->height() - (invitation->y() + invitation->height());
        QVERIFY2(qAbs(above - below) <= 1, qPrintable(u"%1 above, %2 below"_s.arg(above).arg(below)));

        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        auto* detail = console.findChild<QWidget*>(u"operatorSessionDetail"_s);
        QTRY_VERIFY(detail->isVisible());
        auto* name = child<QWidget>(detail, u"detailName"_s);
        auto* number = child<QLabel>(detail, u"detailSessionId"_s);
        QCOMPARE(name->font().pixelSize(), Appearance::font(Appearance::TextStyle::Headline).pixelSize());
        QCOMPARE(name->font().weight(), Appearance::font(Appearance::TextStyle::Headline).weight());
        QCOMPARE(number->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(number->palette().color(QPalette::WindowText), Appearance::secondaryText());
        QCOMPARE(number->mapTo(detail, QPoint()).y() - name->mapTo(detail, QPoint(0, name->height())).y(), 2);
        QCOMPARE(number->mapTo(detail, QPoint()).x(), name->mapTo(detail, QPoint()).x());

        QFrame* line = nullptr;
        for (QFrame* frame : detail->findChildren<QFrame*>()) {
            if (frame->frameShape() == QFrame::HLine && (!line || frame->y() < line->y()))
                line = frame;
        }
        QVERIFY(line);
        auto* area = child<QLabel>(detail, u"messageArea"_s);
        QCOMPARE(area->text(), Localized::text("operator.message_area"));
        QCOMPARE(area->mapTo(detail, QPoint()).y() - line->mapTo(detail, QPoint(0, line->height())).y(), 100);

        auto* field = child<QWidget>(detail, u"replyField"_s);
        auto* send = child<QWidget>(detail, u"sendButton"_s);
        QVERIFY(field->isVisible() && send->isVisible());
        QCOMPARE(static_cast<QLineEdit*>(field)->placeholderText(), Localized::text("input.placeholder"));
        QCOMPARE(send->mapTo(detail, QPoint()).x() - field->mapTo(detail, QPoint(field->width(), 0)).x(), 8);
    }

    // The statistics tab: four tiles, two to a row, 12 apart between the rows, both
    // columns as wide; in each tile the icon at the leading edge, then 12 below it the
    // figure, bold at 28, then 12 below that the title in the caption font, secondary.
    void statisticsTiles()
    {
        Fixture f("[]");
        OperatorConsoleView console(f.api);
        console.resize(900, 600);
        console.show();
        QTRY_VERIFY(!console.model()->isLoading());
        console.setSelectedTab(OperatorConsoleTab::statistics);
        auto* statistics = console.findChild<OperatorStatisticsView*>();
        QTRY_VERIFY(statistics->isVisible());
        const QList<AdminStatCard*> cards = statistics->cards();
        QCOMPARE(cards.size(), 4);
        QCOMPARE(cards.at(1)->y(), cards.at(0)->y());
        QCOMPARE(cards.at(2)->x(), cards.at(0)->x());
        QCOMPARE(cards.at(3)->y(), cards.at(2)->y());
        QCOMPARE(cards.at(2)->y() - (cards.at(0)->y() + cards.at(0)->height()), 12);
        QVERIFY(qAbs(cards.at(0)->width() - cards.at(1)->width()) <= 1);
        for (AdminStatCard* card : cards)
            QVERIFY(tileLaidOut(card));
    }

    // A language switch reaches the whole console at once: its title, its lists'
    // headings and rows (drawn again), the selected session's buttons and the tiles.
    void followsTheLanguage()
    {
        Fixture f(R"([{"id":1,"status":"waiting","customerName":"A"},{"id":2,"status":"ended","customerName":"B","rating":4}])");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        auto* accept = console.findChild<QPushButton*>(u"acceptButton"_s);
        QVERIFY(accept);
        QTRY_VERIFY(accept->isVisible());
        QSignalSpy workspaceRedrawn(console.workspaceList()->model(), &QAbstractItemModel::dataChanged);
        QSignalSpy historyRedrawn(console.historyList()->model(), &QAbstractItemModel::dataChanged);
        LocalizationManager::shared().setLanguage(AppLanguage::vi);
        const auto restore = qScopeGuard([] { LocalizationManager::shared().setLanguage(AppLanguage::en); });
        const StringBundle vi = LocalizationManager::shared().bundle(AppLanguage::vi);
        QCOMPARE(child<QLabel>(&console, u"operatorTitle"_s)->text(), vi.localizedString(u"operator.title"_s));
        QCOMPARE(accept->text(), vi.localizedString(u"operator.accept"_s));
        QVERIFY(!workspaceRedrawn.isEmpty());
        QVERIFY(!historyRedrawn.isEmpty());
        const auto* statistics = console.findChild<OperatorStatisticsView*>();
        QVERIFY(statistics);
        QCOMPARE(statistics->cards().at(0)->title(), vi.localizedString(u"operator.today_served"_s));
    }

    // The tiles show what was loaded, and follow the sessions between loads: an
    // accepted customer counts as served at once.
    void statisticsFollowTheSessions()
    {
        Fixture f(R"([{"id":1,"status":"waiting","customerName":"A"}])");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        const auto* statistics = console.findChild<OperatorStatisticsView*>();
        QVERIFY(statistics);
        QCOMPARE(statistics->cards().at(2)->value(), u"2m"_s); // 125 seconds on average
        QCOMPARE(statistics->cards().at(0)->value(), u"0"_s);
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        auto* accept = console.findChild<QPushButton*>(u"acceptButton"_s);
        QVERIFY(accept);
        QTRY_VERIFY(accept->isVisible());
        accept->click();
        QTRY_COMPARE(statistics->cards().at(0)->value(), u"1"_s);
        QCOMPARE(f.server.requestsTo(u"/api/trpc/operator.getStats"_s).size(), 1);
    }

    // A reload that changes one session redraws that row alone; the same list again
    // redraws nothing.
    void reloadRedrawsChangedRowsOnly()
    {
        const QByteArray before = R"([{"id":1,"status":"waiting","customerName":"A","lastMessage":"hi"},)"
                                  R"({"id":2,"status":"waiting","customerName":"B","lastMessage":"yo"}])";
        Fixture f(before);
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QListView* list = console.workspaceList();
        QSignalSpy redrawn(list->model(), &QAbstractItemModel::dataChanged);
        const auto reload = [&](const QByteArray& sessions) {
            const qsizetype asked = f.server.requestsTo(sessionsPath).size();
            f.server.respond(sessionsPath, { 200, envelope(sessions) });
            QTest::mouseClick(child<QToolButton>(&console, u"refreshButton"_s), Qt::LeftButton);
            return QTest::qWaitFor([&] { return f.server.requestsTo(sessionsPath).size() > asked && !console.model()->isLoading(); },
                                   testsupport::kPatienceMs);
        };
        QVERIFY(reload(before));
        QCOMPARE(redrawn.count(), 0);
        QByteArray after = before;
        after.replace("\"yo\"", "\"later\"");
        QVERIFY(reload(after));
        QCOMPARE(redrawn.count(), 1);
        QCOMPARE(redrawn.at(0).at(0).value<QModelIndex>(), rowOf(list, 2));
        QCOMPARE(redrawn.at(0).at(1).value<QModelIndex>(), rowOf(list, 2));
        QCOMPARE(rowOf(list, 2).data(OperatorSessionListModel::LastMessageRole).toString(), u"later"_s);
    }
};

QTEST_MAIN(TestOperatorViews)
#include "tst_operator_views.moc"
