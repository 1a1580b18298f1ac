// The operator console's screens, offscreen, against a recording server: the
// counters and lists, the detail that follows the list, drafts per customer, the
// placeholders and the statistics tiles.

#include "RecordingHttpServer.h"

#include "network/APIClient.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "state/LocalizationManager.h"
#include "state/OperatorConsoleViewModel.h"
#include "views/admin/AdminStatCard.h"
#include "views/admin/CapsuleBadge.h"
#include "views/admin/OperatorConsoleView.h"
#include "views/admin/OperatorSessionRow.h"
#include "views/admin/OperatorStatisticsView.h"
#include "views/admin/OperatorStatusBadge.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Localized.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QNetworkReply>
#include <QTest>

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
        const bool settled = QTest::qWaitFor([this] { return api.findChildren<QNetworkReply*>().isEmpty(); }, 5000);
        Q_UNUSED(settled);
    }
};

template <typename T>
T* child(QObject* root, const QString& name)
{
    return root->findChild<T*>(name);
}

// The list's row for a session id.
QListWidgetItem* rowOf(QListWidget* list, qint64 id)
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).toLongLong() == id && list->item(i)->data(Qt::UserRole).isValid())
            return list->item(i);
    }
    return nullptr;
}

QStringList rowTexts(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        if (auto* row = qobject_cast<OperatorSessionRow*>(list->itemWidget(item)))
            out << row->findChild<ElidedLabel*>(u"customerName"_s)->fullText();
        else
            out << u"["_s + item->text() + u"]"_s;
    }
    return out;
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
        auto* ann = qobject_cast<OperatorSessionRow*>(console.workspaceList()->itemWidget(rowOf(console.workspaceList(), 1)));
        QCOMPARE(ann->findChild<QLabel*>(u"customerName"_s)->textFormat(), Qt::PlainText);
        QCOMPARE(ann->findChild<QLabel*>(u"avatarInitial"_s)->text(), u"<"_s);
        QCOMPARE(ann->findChild<QLabel*>(u"createdAt"_s)->text(), u"yesterday"_s);
        QCOMPARE(ann->filledStars(), -1);
        QCOMPARE(rowTexts(console.historyList()), (QStringList { u"Customer"_s, u"Customer"_s, u"Customer"_s }));
        QList<int> stars;
        for (qint64 id : { 3, 4, 5 })
            stars << qobject_cast<OperatorSessionRow*>(console.historyList()->itemWidget(rowOf(console.historyList(), id)))->filledStars();
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
        console.resize(900, 600);
        console.show();
        QTRY_VERIFY(rowOf(console.workspaceList(), 1));
        QTRY_VERIFY(!console.model()->isLoading());
        QVERIFY(child<QWidget>(&console, u"emptySelection"_s)->isVisible());
        console.workspaceList()->setCurrentItem(rowOf(console.workspaceList(), 1));
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

    // Text typed for one customer stays with that customer.
    void draftPerCustomer()
    {
        Fixture f(R"([{"id":1,"status":"active","customerName":"A"},{"id":2,"status":"active","customerName":"B"}])");
        OperatorConsoleView console(f.api);
        console.resize(900, 600);
        console.show();
        QTRY_VERIFY(rowOf(console.workspaceList(), 2));
        QTRY_VERIFY(!console.model()->isLoading());
        console.workspaceList()->setCurrentItem(rowOf(console.workspaceList(), 1));
        auto* field = child<QLineEdit>(&console, u"replyField"_s);
        auto* send = child<QPushButton>(&console, u"sendButton"_s);
        QVERIFY(!send->isEnabled());
        QTest::keyClicks(field, u"for A"_s);
        QVERIFY(send->isEnabled());
        console.workspaceList()->setCurrentItem(rowOf(console.workspaceList(), 2));
        QCOMPARE(field->text(), QString());
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClicks(field, u"  "_s);
        QVERIFY(!send->isEnabled());
        QTest::keyClick(field, Qt::Key_Return);
        QTest::qWait(20);
        QCOMPARE(f.server.requestsTo(sendPath).size(), 0);
        QTest::keyClicks(field, u"for B "_s);
        send->click();
        QTRY_COMPARE(f.server.requestsTo(sendPath).size(), 1);
        QCOMPARE(QJsonDocument::fromJson(f.server.requestsTo(sendPath).at(0).body).object().value(u"json"_s).toObject(),
                 (QJsonObject { { u"sessionId"_s, 2 }, { u"content"_s, u"for B"_s } }));
        QTRY_COMPARE(field->text(), QString());
        console.workspaceList()->setCurrentItem(rowOf(console.workspaceList(), 1));
        QCOMPARE(field->text(), u"for A"_s);
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
        f.server.release(sessionsPath);
        QTRY_VERIFY(!console.model()->isLoading());
        QVERIFY(child<QLabel>(&console, u"noSessions"_s)->isVisible());
        QCOMPARE(child<QLabel>(&console, u"noSessions"_s)->text(), Localized::text("operator.no_sessions"));
        console.setSelectedTab(OperatorConsoleTab::history);
        QVERIFY(!child<QLabel>(&console, u"noHistory"_s)->isVisible());
        QCOMPARE(console.historyList()->count(), 1);
    }
};

QTEST_MAIN(TestOperatorViews)
#include "tst_operator_views.moc"
