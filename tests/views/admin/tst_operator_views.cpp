// The operator console's screens, offscreen, against a recording server: the
// counters and lists, the detail that follows the list, drafts per customer, the
// placeholders and the statistics tiles.

#include "PostedEvents.h"
#include "RoundTrip.h"
#include "RecordingHttpServer.h"
#include "ShownToolTip.h"

#include "network/APIClient.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "state/admin/OperatorConsoleViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/admin/AdminStatCard.h"
#include "views/admin/CapsuleBadge.h"
#include "views/admin/OperatorConsoleView.h"
#include "views/admin/OperatorSessionListModel.h"
#include "views/admin/OperatorSessionRow.h"
#include "views/admin/OperatorStatisticsView.h"
#include "views/admin/OperatorStatusBadge.h"
#include "views/common/Divider.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QNetworkReply>
#include <QPointer>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QPointer>
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

// One session "A" with id 1 in that status.
QByteArray oneSession(const QString& status)
{
    return "[{\"id\":1,\"status\":\"" + status.toUtf8() + "\",\"customerName\":\"A\"}]";
}

} // namespace

class TestOperatorViews : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { LocalizationManager::shared().setLanguage(AppLanguage::en); }

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
        const auto badges = console.findChildren<OperatorStatusBadge*>();
        QCOMPARE(badges.at(0)->countText(), u"1"_s);
        QCOMPARE(badges.at(1)->countText(), u"1"_s);
        QCOMPARE(badges.at(2)->countText(), u"3"_s);
        QCOMPARE(rowTexts(console.workspaceList()), (QStringList { u"[Waiting (1)]"_s, u"<b>Ann</b>"_s, u"[Active (1)]"_s, QString() }));
        const QModelIndex ann = rowOf(console.workspaceList(), 1);
        QCOMPARE(OperatorSessionRow::initial(ann.data().toString()), u"<"_s);
        QCOMPARE(ann.data(OperatorSessionListModel::CreatedAtRole).toString(), u"yesterday"_s);
        QCOMPARE(ann.data(OperatorSessionListModel::LastMessageRole).toString(), u"hi"_s);
        QCOMPARE(ann.data(OperatorSessionListModel::FilledStarsRole).toInt(), -1);
        QCOMPARE(shownToolTip(ann.data(Qt::ToolTipRole).toString()), u"<b>Ann</b>"_s);
        console.workspaceList()->setCurrentIndex(ann);
        QCOMPARE(shownToolTip(child<ElidedLabel>(&console, u"detailName"_s)->toolTip()), u"<b>Ann</b>"_s);
        QCOMPARE(rowTexts(console.historyList()), (QStringList { u"Customer"_s, u"Customer"_s, u"Customer"_s }));
        QList<int> stars;
        for (qint64 id : { 3, 4, 5 })
            stars << rowOf(console.historyList(), id).data(OperatorSessionListModel::FilledStarsRole).toInt();
        QCOMPARE(stars, (QList<int> { 3, 5, -1 }));

        console.setSelectedTab(OperatorConsoleTab::statistics);
        auto* statistics = console.findChild<OperatorStatisticsView*>();
        QCOMPARE(statistics->cards().at(0)->value(), u"4"_s);
        QCOMPARE(statistics->cards().at(1)->value(), u"5.0"_s);
        QCOMPARE(statistics->cards().at(2)->value(), u"2m"_s);
        QCOMPARE(statistics->cards().at(3)->value(), u"-"_s);
    }

    // The detail follows the list: after accept the session shows as active with
    // its end button and reply bar; after end neither.
    void detailFollowsActions()
    {
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
        QTRY_VERIFY(!console.model()->isLoading());
        QCOMPARE(child<QToolButton>(&console, u"refreshButton"_s)->toolTip(), Localized::text("admin.refresh"));
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
        QVERIFY(!workspace->currentIndex().isValid());
        QCOMPARE(console.historyList()->currentIndex(), rowOf(console.historyList(), 1));
        // A click that was queued before the button hid.
        end->click();
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(endPath).size(), 1);
        QCOMPARE(QJsonDocument::fromJson(f.server.requestsTo(endPath).at(0).body).object().value(u"json"_s).toObject(),
                 (QJsonObject { { u"sessionId"_s, 1 } }));
        QCOMPARE(rowTexts(workspace), (QStringList { u"[Active (1)]"_s, u"B"_s }));
        // The ended session moved: one row out of the workspace, one into history.
        QCOMPARE(resets.count(), 0);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(added.count(), 1);
    }

    // Moving between the tabs (by keyboard or mouse) keeps the selected session:
    // a list that gets the focus does not pick its first row by itself.
    void tabsKeepSelection()
    {
        Fixture f(R"([{"id":1,"status":"active","customerName":"A"},{"id":3,"status":"ended","customerName":"C"}])");
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QApplication::setActiveWindow(&console);
        console.workspaceList()->setFocus();
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(1));
        QTest::mouseClick(child<QPushButton>(&console, u"tab_history"_s), Qt::LeftButton);
        console.historyList()->setFocus(Qt::TabFocusReason);
        QVERIFY(testsupport::postedEventsHandled());
        QCOMPARE(console.model()->selectedSessionId(), std::optional<qint64>(1));
        QVERIFY(!console.historyList()->currentIndex().isValid());
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
        QCOMPARE(QJsonDocument::fromJson(f.server.requestsTo(path).at(0).body).object().value(u"json"_s).toObject(),
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
        QCOMPARE(QJsonDocument::fromJson(f.server.requestsTo(sendPath).at(0).body).object().value(u"json"_s).toObject(),
                 (QJsonObject { { u"sessionId"_s, 2 }, { u"content"_s, u"for B"_s } }));
        QTRY_COMPARE(field->text(), QString());
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        QCOMPARE(field->text(), u"for A"_s);
    }

    // Tab goes from the list to the selected session's action, the reply field and
    // its send button, then round by refresh and the tabs; every control it
    // reaches shows when it has the keyboard (its picture differs once Tab moved on).
    void everyControlShowsFocus_data()
    {
        QTest::addColumn<QByteArray>("sessions");
        QTest::addColumn<QStringList>("reached");
        QTest::newRow("statistics") << QByteArray("[]") << QStringList { u"statisticsScroll"_s, u"refreshButton"_s, u"tab_workspace"_s };
        QTest::newRow("waiting session") << QByteArray(R"([{"id":1,"status":"waiting","customerName":"A"}])")
                                         << QStringList { u"workspaceList"_s, u"acceptButton"_s, u"refreshButton"_s, u"tab_workspace"_s };
        QTest::newRow("active session") << QByteArray(R"([{"id":1,"status":"active","customerName":"A"}])")
                                        << QStringList { u"workspaceList"_s, u"endButton"_s, u"replyField"_s, u"sendButton"_s,
                                                         u"refreshButton"_s, u"tab_workspace"_s };
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
    // accept on End (so Tab reaches the reply field), after a failure on the same
    // button, after end back in the list. A space typed meanwhile reloads nothing.
    void keyboardStaysAfterAction_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("reply");
        QTest::addColumn<QString>("focusAfter");
        QTest::addColumn<QString>("tabAfter");
        QTest::newRow("accept") << u"waiting"_s << 200 << u"endButton"_s << u"replyField"_s;
        QTest::newRow("accept fails") << u"waiting"_s << 500 << u"acceptButton"_s << QString();
        QTest::newRow("end") << u"active"_s << 200 << u"workspaceList"_s << QString();
        QTest::newRow("end fails") << u"active"_s << 500 << u"endButton"_s << u"replyField"_s;
    }
    void keyboardStaysAfterAction()
    {
        QFETCH(QString, status);
        QFETCH(int, reply);
        QFETCH(QString, focusAfter);
        QFETCH(QString, tabAfter);
        Fixture f(oneSession(status));
        const bool accept = status == u"waiting";
        const QString path = accept ? u"/api/trpc/operator.acceptSession"_s : u"/api/trpc/operator.endSession"_s;
        f.server.respond(path, { reply, reply == 200 ? envelope("null") : QByteArray(R"({"error":"no"})"), {}, true });
        OperatorConsoleView console(f.api);
        QVERIFY(showWithSession(console, 1));
        QApplication::setActiveWindow(&console);
        console.workspaceList()->setFocus(Qt::TabFocusReason);
        console.workspaceList()->setCurrentIndex(rowOf(console.workspaceList(), 1));
        QTest::keyClick(console.workspaceList(), Qt::Key_Tab);
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
        if (!tabAfter.isEmpty()) {
            QTest::keyClick(console.focusWidget(), Qt::Key_Tab);
            QCOMPARE(focusName(), tabAfter);
            QTest::keyClicks(console.focusWidget(), u"hello "_s);
            QCOMPARE(child<QLineEdit>(&console, u"replyField"_s)->text(), u"hello "_s);
        }
        QCOMPARE(f.server.requestsTo(path).size(), 1);
        QCOMPARE(f.server.requestsTo(sessionsPath).size(), 1);
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
        QVERIFY(!child<QLabel>(&console, u"noSessions"_s)->isVisible());
        QVERIFY(!child<QLabel>(&console, u"noSessionsSymbol"_s)->isVisible());
        f.server.release(sessionsPath);
        QTRY_VERIFY(!console.model()->isLoading());
        QVERIFY(child<QLabel>(&console, u"noSessions"_s)->isVisible());
        QCOMPARE(child<QLabel>(&console, u"noSessions"_s)->text(), Localized::text("operator.no_sessions"));
        QVERIFY(child<QLabel>(&console, u"noSessionsSymbol"_s)->isVisible());
        QCOMPARE(child<QLabel>(&console, u"noSessionsSymbol"_s)->property(Icons::SymbolProperty).toString(), u"headphones"_s);
        console.setSelectedTab(OperatorConsoleTab::history);
        QVERIFY(!child<QLabel>(&console, u"noHistory"_s)->isVisible());
        QVERIFY(!child<QLabel>(&console, u"noHistorySymbol"_s)->isVisible());
        QCOMPARE(console.historyList()->model()->rowCount(), 1);
    }
};

QTEST_MAIN(TestOperatorViews)
#include "tst_operator_views.moc"
