// The operator console's state against a recording server: the session lists and
// their counters, accept and end, drafts that belong to their session, sending,
// overlapping loads and the statistics texts.

#include "RoundTrip.h"
#include "RecordingHttpServer.h"
#include "CommaLocale.h"
#include "TaskRunner.h"

#include "network/APIClient.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "state/admin/OperatorConsoleTab.h"
#include "state/admin/OperatorConsoleViewModel.h"
#include "state/admin/OperatorStatistics.h"
#include "state/common/LocalizationManager.h"
#include "state/common/WholeNumber.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using testsupport::runTask;

namespace {

const QString sessionsPath = u"/api/trpc/operator.getSessions"_s;
const QString statsPath = u"/api/trpc/operator.getStats"_s;
const QString acceptPath = u"/api/trpc/operator.acceptSession"_s;
const QString endPath = u"/api/trpc/operator.endSession"_s;
const QString sendPath = u"/api/trpc/operator.sendMessage"_s;

QByteArray envelope(const QByteArray& json) { return R"({"result":{"data":{"json":)" + json + "}}}"; }

const QByteArray threeSessions = R"([{"id":1,"status":"waiting","customerName":"A"},{"id":2,"status":"active","customerName":"B"},)"
                                 R"({"id":3,"status":"ended","rating":4},{"id":4,"status":"Waiting"},{"id":5}])";

struct Fixture {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    APIClient api { server.baseUrl(), keychain };
    OperatorConsoleViewModel console { api };

    Fixture()
    {
        keychain.saveText(u"token"_s, u"auth_token"_s);
        server.respond(sessionsPath, { 200, envelope(threeSessions) });
        server.respond(statsPath, { 200, envelope("{}") });
        server.respond(acceptPath, { 200, envelope("null") });
        server.respond(endPath, { 200, envelope("null") });
        server.respond(sendPath, { 200, envelope("null") });
    }
    QJsonObject input(const QString& path, int index = 0) const
    {
        return QJsonDocument::fromJson(server.requestsTo(path).at(index).body).object().value(u"json"_s).toObject();
    }
    static QList<qint64> ids(const QList<OperatorSession>& sessions)
    {
        QList<qint64> out;
        for (const OperatorSession& s : sessions)
            out << s.id;
        return out;
    }
};

QString text(const char* key) { return LocalizationManager::shared().localizedString(QString::fromLatin1(key)); }

OperatorSession ended(std::optional<qint64> rating)
{
    OperatorSession s;
    s.status = u"ended"_s;
    s.rating = rating;
    return s;
}

} // namespace

class TestOperatorState : public QObject {
    Q_OBJECT

    QTemporaryDir m_localeDir;
    bool m_commaLocale = false;

private Q_SLOTS:
    // Every number below is checked under a locale that writes a decimal comma:
    // the statistics are written as the server's figures are, whatever the user's locale.
    void initTestCase() { m_commaLocale = useCommaLocale(m_localeDir); }
    void cleanupTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void numbersUnderCommaLocale_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("rating") << 4.5 << 1 << u"4.5"_s;
        QTest::newRow("half to even") << 2.5 << 0 << u"2"_s;
        QTest::newRow("large") << 1234567.25 << 1 << u"1234567.2"_s;
        QTest::newRow("negative") << -0.05 << 1 << u"-0.1"_s;
    }
    void numbersUnderCommaLocale()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, text);
        if (!m_commaLocale)
            QSKIP("no locale with a decimal comma could be made here");
        QCOMPARE(fixedPointText(value, decimals), text);
    }

    void tabs()
    {
        QCOMPARE(operatorconsoletab::fromRawValue(u"history"_s), std::optional(OperatorConsoleTab::history));
        QCOMPARE(operatorconsoletab::fromRawValue(u"History"_s), std::nullopt);
        QCOMPARE(operatorconsoletab::titleKey(OperatorConsoleTab::statistics), u"operator.statistics"_s);
    }

    void statuses_data()
    {
        QTest::addColumn<QString>("status"); // "<none>": absent
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("tint");
        QTest::newRow("waiting") << u"waiting"_s << u"operator.waiting"_s << int(Tint::Orange);
        QTest::newRow("active") << u"active"_s << u"operator.active"_s << int(Tint::Green);
        QTest::newRow("ended") << u"ended"_s << u"operator.ended"_s << int(Tint::Gray);
        QTest::newRow("capitalised") << u"Active"_s << u"operator.unknown_status"_s << int(Tint::Gray);
        QTest::newRow("none") << u"<none>"_s << u"operator.unknown_status"_s << int(Tint::Gray);
    }
    void statuses()
    {
        QFETCH(QString, status);
        QFETCH(QString, key);
        QFETCH(int, tint);
        const auto info = OperatorConsoleViewModel::statusInfo(status == u"<none>" ? std::nullopt : std::optional(status));
        QCOMPARE(info.textKey, key);
        QCOMPARE(int(info.tint), tint);
    }

    // Lists by exact status; accept and end move sessions between them at once.
    void listsFollowActions()
    {
        Fixture f;
        runTask(f.console.loadData());
        QCOMPARE(Fixture::ids(f.console.waitingSessions()), (QList<qint64> { 1 }));
        QCOMPARE(Fixture::ids(f.console.activeSessions()), (QList<qint64> { 2 }));
        QCOMPARE(Fixture::ids(f.console.endedSessions()), (QList<qint64> { 3 }));
        QVERIFY(!f.server.requestsTo(sessionsPath).at(0).hasQuery);

        runTask(f.console.acceptSession(1));
        QCOMPARE(f.input(acceptPath), (QJsonObject { { u"sessionId"_s, 1 } }));
        QCOMPARE(Fixture::ids(f.console.waitingSessions()), (QList<qint64> {}));
        QCOMPARE(Fixture::ids(f.console.activeSessions()), (QList<qint64> { 1, 2 }));
        runTask(f.console.endSession(2));
        QCOMPARE(Fixture::ids(f.console.activeSessions()), (QList<qint64> { 1 }));
        QCOMPARE(Fixture::ids(f.console.endedSessions()), (QList<qint64> { 2, 3 }));

        f.server.respond(endPath, { 409, R"({"error":"wrong status"})" });
        runTask(f.console.endSession(1));
        QCOMPARE(f.console.errorMessage(), std::optional(text("operator.end_session_failed") + u"wrong status"_s));
        QCOMPARE(Fixture::ids(f.console.activeSessions()), (QList<qint64> { 1 }));
    }

    // Accept and end judge the session by its status in the list when they run:
    // only a waiting session is accepted and only an active one ended; a session
    // in any other state, or no longer listed, sends nothing and stays as it is.
    void actionsCheckTheCurrentStatus_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<qint64>("session");
        QTest::addColumn<bool>("sent");
        QTest::newRow("accept waiting") << u"accept"_s << qint64(1) << true;
        QTest::newRow("accept active") << u"accept"_s << qint64(2) << false;
        QTest::newRow("accept ended") << u"accept"_s << qint64(3) << false;
        QTest::newRow("accept other case") << u"accept"_s << qint64(4) << false;
        QTest::newRow("accept without status") << u"accept"_s << qint64(5) << false;
        QTest::newRow("accept unlisted") << u"accept"_s << qint64(9) << false;
        QTest::newRow("end active") << u"end"_s << qint64(2) << true;
        QTest::newRow("end waiting") << u"end"_s << qint64(1) << false;
        QTest::newRow("end ended") << u"end"_s << qint64(3) << false;
        QTest::newRow("end unlisted") << u"end"_s << qint64(9) << false;
    }
    void actionsCheckTheCurrentStatus()
    {
        QFETCH(QString, action);
        QFETCH(qint64, session);
        QFETCH(bool, sent);
        Fixture f;
        runTask(f.console.loadData());
        const auto statuses = [&f] {
            QStringList out;
            for (const OperatorSession& s : f.console.sessions())
                out << QString::number(s.id) + u':' + s.status.value_or(u"-"_s);
            return out;
        };
        const QStringList before = statuses();
        const bool accept = action == u"accept";
        runTask(accept ? f.console.acceptSession(session) : f.console.endSession(session));
        const QString path = accept ? acceptPath : endPath;
        QCOMPARE(f.server.requestsTo(path).size(), sent ? 1 : 0);
        QCOMPARE(f.server.requestsTo(accept ? endPath : acceptPath).size(), 0);
        if (sent)
            QCOMPARE(f.input(path), (QJsonObject { { u"sessionId"_s, session } }));
        else
            QCOMPARE(statuses(), before);
        QVERIFY(!f.console.isBusy(session));
    }

    // The detail shows the session as the list has it now: after accept, the
    // accepted status (no second accept), after end no input bar.
    void detailFollowsList()
    {
        Fixture f;
        runTask(f.console.loadData());
        f.console.select(1);
        QCOMPARE(f.console.selectedSession()->status, std::optional(u"waiting"_s));
        runTask(f.console.acceptSession(1));
        QCOMPARE(f.console.selectedSession()->status, std::optional(u"active"_s));
        runTask(f.console.endSession(1));
        QCOMPARE(f.console.selectedSession()->status, std::optional(u"ended"_s));
        f.server.respond(sessionsPath, { 200, envelope(R"([{"id":1,"status":"active"}])") });
        runTask(f.console.loadData());
        QCOMPARE(f.console.selectedSession()->status, std::optional(u"active"_s));
        f.server.respond(sessionsPath, { 200, envelope("[]") });
        runTask(f.console.loadData());
        QCOMPARE(f.console.selectedSession(), std::nullopt);
    }

    // A draft typed for one customer is never sent to another, and a field bound
    // to the draft hears that another session's draft shows.
    void draftsBelongToTheirSession()
    {
        Fixture f;
        runTask(f.console.loadData());
        f.console.select(1);
        f.console.setMessageText(u"for A"_s);
        QSignalSpy draftShown(&f.console, &OperatorConsoleViewModel::messageTextChanged);
        f.console.select(2);
        QCOMPARE(draftShown.size(), 1);
        QCOMPARE(f.console.messageText(), QString());
        QVERIFY(!f.console.canSend());
        runTask(f.console.sendMessage(2));
        QCOMPARE(f.server.requestsTo(sendPath).size(), 0);
        // Typing is heard once per change, and the same text again changes nothing.
        draftShown.clear();
        f.console.setMessageText(u"  for  B \n"_s);
        f.console.setMessageText(u"  for  B \n"_s);
        QCOMPARE(draftShown.size(), 1);
        runTask(f.console.sendMessage(2));
        QCOMPARE(f.input(sendPath), (QJsonObject { { u"sessionId"_s, 2 }, { u"content"_s, u"for  B"_s } }));
        QCOMPARE(f.console.messageText(), QString());
        f.console.select(1);
        QCOMPARE(f.console.messageText(), u"for A"_s);
    }

    // The draft empties after a send only when it still holds what was sent: text
    // typed while the send was on its way stays, in the selected session or another.
    void textTypedDuringASendIsKept_data()
    {
        QTest::addColumn<QString>("typedMeanwhile"); // empty: nothing typed
        QTest::addColumn<bool>("elsewhere"); // another session was selected meanwhile
        QTest::addColumn<QString>("draftAfter");
        QTest::newRow("nothing typed") << QString() << false << QString();
        QTest::newRow("more typed") << u"hello and more"_s << false << u"hello and more"_s;
        QTest::newRow("replaced") << u"next"_s << false << u"next"_s;
        QTest::newRow("typed, then another session opened") << u"hello!"_s << true << u"hello!"_s;
    }
    void textTypedDuringASendIsKept()
    {
        QFETCH(QString, typedMeanwhile);
        QFETCH(bool, elsewhere);
        QFETCH(QString, draftAfter);
        Fixture f;
        f.server.respond(sendPath, { 200, envelope("null"), {}, true });
        runTask(f.console.loadData());
        f.console.select(2);
        f.console.setMessageText(u"hello"_s);
        QSignalSpy sending(&f.console, &OperatorConsoleViewModel::sendingChanged);
        auto send = f.console.sendMessage(2);
        QTRY_COMPARE(f.server.requestsTo(sendPath).size(), 1);
        QCOMPARE(sending.size(), 1);
        QVERIFY(!f.console.canSend());
        if (!typedMeanwhile.isEmpty())
            f.console.setMessageText(typedMeanwhile);
        if (elsewhere)
            f.console.select(1);
        f.server.release(sendPath);
        runTask(std::move(send));
        // The send's end is announced, so a Send button bound to it comes back.
        QCOMPARE(sending.size(), 2);
        QCOMPARE(f.console.draft(2), draftAfter);
        QCOMPARE(f.input(sendPath), (QJsonObject { { u"sessionId"_s, 2 }, { u"content"_s, u"hello"_s } }));
    }

    void sendFailureKeepsText()
    {
        Fixture f;
        f.server.respond(sendPath, { 403, R"({"error":"not yours"})" });
        runTask(f.console.loadData());
        f.console.select(2);
        f.console.setMessageText(u" hi "_s);
        runTask(f.console.sendMessage(2));
        QCOMPARE(f.console.messageText(), u" hi "_s);
        QCOMPARE(f.console.errorMessage(), std::optional(text("operator.send_failed") + u"not yours"_s));
        QVERIFY2(f.console.canSend(), "the text kept can be sent again");
    }

    // A second accept while the first is on its way sends nothing more.
    void secondPressWhileInFlight()
    {
        Fixture f;
        runTask(f.console.loadData());
        f.server.respond(acceptPath, { 200, envelope("null"), {}, true });
        QSignalSpy busy(&f.console, &OperatorConsoleViewModel::busyChanged);
        auto first = f.console.acceptSession(1);
        QTRY_COMPARE(f.server.requestsTo(acceptPath).size(), 1);
        QVERIFY(f.console.isBusy(1));
        QCOMPARE(busy.size(), 1);
        auto second = f.console.acceptSession(1);
        auto third = f.console.endSession(1);
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(acceptPath).size(), 1);
        QCOMPARE(f.server.requestsTo(endPath).size(), 0);
        f.server.release(acceptPath);
        runTask(std::move(first));
        runTask(std::move(second));
        runTask(std::move(third));
        QVERIFY(!f.console.isBusy(1));
        // Its end announced once: the row's greyed button comes back.
        QCOMPARE(busy.size(), 2);
    }

    // An accept or end that ends while a load is on its way holds when that load's
    // older answer lands; a load that leaves afterwards is the server's word again.
    void statusChangeOutlivesAnOlderLoad_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("loadFirst");
        QTest::addColumn<QString>("status"); // of the session afterwards
        QTest::newRow("accept, older load") << u"accept"_s << true << u"active"_s;
        QTest::newRow("end, older load") << u"end"_s << true << u"ended"_s;
        QTest::newRow("accept, newer load") << u"accept"_s << false << u"waiting"_s;
    }
    void statusChangeOutlivesAnOlderLoad()
    {
        QFETCH(QString, action);
        QFETCH(bool, loadFirst);
        QFETCH(QString, status);
        Fixture f;
        runTask(f.console.loadData());
        const qint64 id = action == u"accept" ? 1 : 2;
        // The load's answer still has both sessions as they were.
        f.server.respond(sessionsPath, { 200, envelope(threeSessions), {}, true });
        std::optional<QCoro::Task<>> load;
        const auto startLoad = [&] {
            load.emplace(f.console.loadData());
            QTRY_COMPARE(f.server.requestsTo(sessionsPath).size(), 2);
        };
        if (loadFirst)
            startLoad();
        runTask(action == u"accept" ? f.console.acceptSession(id) : f.console.endSession(id));
        if (!loadFirst)
            startLoad();
        f.server.release(sessionsPath);
        runTask(std::move(*load));
        QCOMPARE(f.console.sessions().at(id - 1).status, std::optional(status));
    }

    // An older load answered late never replaces a newer one.
    void staleLoadDropped()
    {
        Fixture f;
        f.server.respondOnce(sessionsPath, { 200, envelope(R"([{"id":7,"status":"waiting"}])"), {}, true });
        f.server.respondOnce(sessionsPath, { 200, envelope(R"([{"id":8,"status":"active"}])") });
        auto older = f.console.loadData();
        QTRY_COMPARE(f.server.requestsTo(sessionsPath).size(), 1);
        runTask(f.console.loadData());
        QCOMPARE(Fixture::ids(f.console.sessions()), (QList<qint64> { 8 }));
        QVERIFY(f.console.isLoading());
        f.server.release(sessionsPath);
        runTask(std::move(older));
        QCOMPARE(Fixture::ids(f.console.sessions()), (QList<qint64> { 8 }));
        QVERIFY(!f.console.isLoading());
    }

    // The statistics too: a late reply to an older load does not replace the figures
    // of a newer one.
    void staleStatisticsDropped()
    {
        Fixture f;
        f.server.respondOnce(statsPath, { 200, envelope(R"({"todayServed":1})"), {}, true });
        f.server.respondOnce(statsPath, { 200, envelope(R"({"todayServed":2})") });
        auto older = f.console.loadData();
        QTRY_COMPARE(f.server.requestsTo(statsPath).size(), 1);
        runTask(f.console.loadData());
        QCOMPARE(f.console.stats()->todayServed, std::optional(qint64(2)));
        f.server.release(statsPath);
        runTask(std::move(older));
        QCOMPARE(f.console.stats()->todayServed, std::optional(qint64(2)));
        QVERIFY(!f.console.isLoading());
    }

    // The session load fails, the statistics load succeeds: the alert, new figures,
    // the old list.
    void sessionLoadFailure()
    {
        Fixture f;
        runTask(f.console.loadData());
        f.server.respond(sessionsPath, { 200, envelope(R"([{"status":"waiting"}])") });
        f.server.respond(statsPath, { 200, envelope(R"({"todayServed":9})") });
        runTask(f.console.loadData());
        QCOMPARE(f.console.sessions().size(), 5);
        QCOMPARE(f.console.stats()->todayServed, std::optional(qint64(9)));
        QVERIFY(f.console.errorMessage()->startsWith(text("operator.load_sessions_failed")));
        QVERIFY(!f.console.isLoading());
        // Dismissed, the failure is gone and an alert bound to it hears so, once.
        QSignalSpy errorShown(&f.console, &OperatorConsoleViewModel::errorMessageChanged);
        f.console.clearError();
        QCOMPARE(f.console.errorMessage(), std::nullopt);
        f.console.clearError();
        QCOMPARE(errorShown.size(), 1);
    }

    void stars_data()
    {
        QTest::addColumn<QString>("rating"); // "-": absent
        QTest::addColumn<int>("filled"); // -1: no stars at all
        QTest::newRow("three") << u"3"_s << 3;
        QTest::newRow("zero") << u"0"_s << 0;
        QTest::newRow("negative") << u"-2"_s << 0;
        QTest::newRow("seven") << u"7"_s << 5;
        QTest::newRow("none") << u"-"_s << -1;
    }
    void stars()
    {
        QFETCH(QString, rating);
        QFETCH(int, filled);
        const auto stars = OperatorConsoleViewModel::filledStars(rating == u"-" ? std::nullopt : std::optional(rating.toLongLong()));
        QCOMPARE(stars.value_or(-1), filled);
    }

    void statisticsTexts_data()
    {
        QTest::addColumn<QByteArray>("stats"); // "-": no record
        QTest::addColumn<QList<qint64>>("ratings"); // of the ended sessions; -1: unrated
        QTest::addColumn<QStringList>("texts"); // served, rating, response, rate
        const qint64 big = std::numeric_limits<qint64>::max();
        QTest::newRow("no record") << QByteArray("-") << QList<qint64> { 5, -1, 4 } << QStringList { u"4"_s, u"4.5"_s, u"-"_s, u"-"_s };
        QTest::newRow("unrated") << QByteArray("-") << QList<qint64> { -1 } << QStringList { u"2"_s, u"-"_s, u"-"_s, u"-"_s };
        QTest::newRow("served null") << QByteArray(R"({"todayServed":null,"avgRating":0,"avgResponseTime":59,"resolutionRate":0.29})")
                                     << QList<qint64> {} << QStringList { u"1"_s, u"0.0"_s, u"59s"_s, u"29%"_s };
        QTest::newRow("minutes") << QByteArray(R"({"todayServed":12,"avgResponseTime":60,"resolutionRate":0.956})") << QList<qint64> { 1 }
                                 << QStringList { u"12"_s, u"1.0"_s, u"1m"_s, u"95%"_s };
        QTest::newRow("two minutes") << QByteArray(R"({"avgResponseTime":125,"resolutionRate":1})") << QList<qint64> {}
                                     << QStringList { u"1"_s, u"-"_s, u"2m"_s, u"100%"_s };
        QTest::newRow("hour negative") << QByteArray(R"({"avgResponseTime":3600,"resolutionRate":-0.5})") << QList<qint64> {}
                                       << QStringList { u"1"_s, u"-"_s, u"60m"_s, u"-50%"_s };
        QTest::newRow("huge ratings") << QByteArray(R"({"avgResponseTime":-5,"resolutionRate":1e300})") << QList<qint64> { big, big }
                                      << QStringList { u"3"_s, u"9223372036854775808.0"_s, u"-5s"_s, u"-"_s };
    }
    void statisticsTexts()
    {
        QFETCH(QByteArray, stats);
        QFETCH(QList<qint64>, ratings);
        QFETCH(QStringList, texts);
        std::optional<OperatorStatsResponse> record;
        if (stats != "-")
            record = json::decode<OperatorStatsResponse>(stats);
        QList<OperatorSession> endedSessions;
        for (qint64 r : ratings)
            endedSessions << ended(r < 0 ? std::nullopt : std::optional(r));
        // One active session besides the ended ones.
        QCOMPARE(operatorstatistics::todayServedText(record, 1, endedSessions.size()), texts.at(0));
        QCOMPARE(operatorstatistics::averageRatingText(record, endedSessions), texts.at(1));
        QCOMPARE(operatorstatistics::responseTimeText(record), texts.at(2));
        QCOMPARE(operatorstatistics::resolutionRateText(record), texts.at(3));
    }
};

QTEST_GUILESS_MAIN(TestOperatorState)
#include "tst_operator_state.moc"
