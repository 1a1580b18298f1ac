// The administration console's state: paged lists, their row actions, the
// statistics, the configuration form and the sensitive words, against a
// recording server.

#include "RoundTrip.h"
#include "RecordingHttpServer.h"
#include "TaskRunner.h"

#include "network/APIClient.h"
#include "network/AuthService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "models/AdminListResponse.h"
#include "models/OperatorSession.h"
#include "models/OperatorStatsResponse.h"
#include "state/admin/AdminDashboardViewModel.h"
#include "state/admin/AdminSection.h"
#include "state/admin/GroupManagementViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/admin/MessageAuditViewModel.h"
#include "state/common/PrintfFormat.h"
#include "state/admin/SensitiveWordsViewModel.h"
#include "state/admin/SystemConfigViewModel.h"
#include "state/admin/UserManagementViewModel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using testsupport::runTask;

namespace {

const QString usersPath = u"/api/admin/users"_s;
const QString groupsPath = u"/api/admin/groups"_s;
const QString messagesPath = u"/api/admin/messages"_s;
const QString statsPath = u"/api/admin/stats"_s;
const QString refreshPath = u"/api/auth/refresh"_s;
const QString configGet = u"/api/trpc/admin.getSystemConfig"_s;
const QString configSave = u"/api/trpc/admin.updateSystemConfig"_s;
const QString wordsGet = u"/api/trpc/admin.getSensitiveWords"_s;
const QString wordAdd = u"/api/trpc/admin.addSensitiveWord"_s;
const QString wordDelete = u"/api/trpc/admin.deleteSensitiveWord"_s;

struct Fixture {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    APIClient api { server.baseUrl(), keychain };
    AuthService auth { api, keychain };

    Fixture()
    {
        api.setTokenRefresher([this] { return auth.refreshToken(); });
        keychain.saveText(u"old-access"_s, u"auth_token"_s);
        keychain.saveText(u"old-refresh"_s, u"refresh_token"_s);
        keychain.save(R"({"id":1,"openId":"o1","name":"admin"})", u"cached_user"_s);
    }
    QJsonObject body(const QString& path, int index = 0) const
    {
        return QJsonDocument::fromJson(server.requestsTo(path).at(index).body).object();
    }
};

QString text(const char* key) { return LocalizationManager::shared().localizedString(QString::fromLatin1(key)); }

// {"<key>":[{"id":first},...],"total":total}; total < 0 leaves it out.
QByteArray page(const char* key, int rows, qint64 total = -1, qint64 first = 1)
{
    QByteArray list;
    for (int i = 0; i < rows; ++i)
        list += (i ? "," : "") + QByteArray(R"({"id":)") + QByteArray::number(first + i) + "}";
    QByteArray out = "{\"" + QByteArray(key) + "\":[" + list + "]";
    if (total >= 0)
        out += ",\"total\":" + QByteArray::number(total);
    return out + "}";
}

QByteArray envelope(const QByteArray& json) { return R"({"result":{"data":{"json":)" + json + "}}}"; }
const QByteArray newTokens = R"({"app_session_id":"new-access","refresh_token":"new-refresh"})";

} // namespace

class TestAdminState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Expected texts are the Chinese ones, whatever the machine's language.
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
    }

    void sections_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("section"); // -1: none
        QTest::newRow("sensitiveWords") << u"sensitiveWords"_s << int(AdminSection::sensitiveWords);
        QTest::newRow("systemConfig") << u"systemConfig"_s << int(AdminSection::systemConfig);
        QTest::newRow("snake case") << u"sensitive_words"_s << -1;
        QTest::newRow("capitalised") << u"Dashboard"_s << -1;
        QTest::newRow("empty") << QString() << -1;
    }
    void sections()
    {
        QFETCH(QString, raw);
        QFETCH(int, section);
        const std::optional<AdminSection> parsed = adminsection::fromRawValue(raw);
        QCOMPARE(parsed ? int(*parsed) : -1, section);
        // Every case survives the round trip, in sidebar order.
        for (qsizetype i = 0; i < adminsection::allCases().size(); ++i) {
            const AdminSection s = adminsection::allCases().at(i);
            QCOMPARE(int(s), int(i));
            QCOMPARE(adminsection::fromRawValue(adminsection::rawValue(s)), std::optional(s));
        }
    }

    // What each record accepts: optional keys may be missing or null, a required key
    // may not, a wrong type fails the whole reply, unknown keys are ignored.
    void records_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("user nulls and extras") << u"users"_s << QByteArray(R"({"users":[{"id":1,"name":null,"x":[1]}],"total":null})") << true;
        QTest::newRow("user without id") << u"users"_s << QByteArray(R"({"users":[{"name":"a"}]})") << false;
        QTest::newRow("user ban flag as text") << u"users"_s << QByteArray(R"({"users":[{"id":1,"isBanned":"yes"}]})") << false;
        QTest::newRow("groups key missing") << u"groups"_s << QByteArray(R"({"items":[],"total":0})") << false;
        QTest::newRow("one bad audit row") << u"messages"_s << QByteArray(R"({"messages":[{"id":1},{"id":2,"senderId":"8"}]})") << false;
        QTest::newRow("session id only") << u"session"_s << QByteArray(R"({"id":3})") << true;
        QTest::newRow("session rating fraction") << u"session"_s << QByteArray(R"({"id":3,"rating":4.5})") << false;
        QTest::newRow("stats whole average") << u"operatorStats"_s << QByteArray(R"({"avgRating":4,"todayServed":null})") << true;
        QTest::newRow("stats served as text") << u"operatorStats"_s << QByteArray(R"({"todayServed":"4"})") << false;
    }
    void records()
    {
        QFETCH(QString, record);
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        bool ok = true;
        try {
            if (record == u"users")
                (void)json::decode<AdminUserListResponse>(json);
            else if (record == u"groups")
                (void)json::decode<AdminGroupListResponse>(json);
            else if (record == u"messages")
                (void)json::decode<AuditMessageListResponse>(json);
            else if (record == u"session")
                (void)json::decode<OperatorSession>(json);
            else
                (void)json::decode<OperatorStatsResponse>(json);
        } catch (const json::DecodeError&) {
            ok = false;
        }
        QCOMPARE(ok, decodes);
    }

    void printfFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two texts") << u"%@ the user “%@”?"_s << QStringList { u"Ban"_s, u"Bo"_s } << u"Ban the user “Bo”?"_s;
        QTest::newRow("integer") << u"共 %lld 位用户"_s << QStringList { u"45"_s } << u"共 45 位用户"_s;
        QTest::newRow("argument with a conversion") << u"%@/%d"_s << QStringList { u"%@"_s, u"7"_s } << u"%@/7"_s;
        QTest::newRow("percent sign and unknown") << u"100%% %x %"_s << QStringList {} << u"100% %x %"_s;
        QTest::newRow("missing argument") << u"[%@]"_s << QStringList {} << u"[]"_s;
    }
    void printfFormats()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QCOMPARE(printfFormat(format, arguments), expected);
    }

    // The query exactly as it leaves the client: "+" and "%" escaped, so the server
    // reads back what was typed.
    void searchQuery_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QByteArray>("query");
        QTest::newRow("no search") << QString() << QByteArray("page=1&limit=20");
        QTest::newRow("spaces kept") << u"  "_s << QByteArray("page=1&limit=20&search=%20%20");
        QTest::newRow("plus") << u"c++"_s << QByteArray("page=1&limit=20&search=c%2B%2B");
        QTest::newRow("percent") << u"100%"_s << QByteArray("page=1&limit=20&search=100%25");
        QTest::newRow("encoded-looking") << u"a%20b&c=d"_s << QByteArray("page=1&limit=20&search=a%2520b%26c%3Dd");
        QTest::newRow("chinese") << u"张三 x"_s << QByteArray("page=1&limit=20&search=%E5%BC%A0%E4%B8%89%20x");
    }
    void searchQuery()
    {
        QFETCH(QString, search);
        QFETCH(QByteArray, query);
        Fixture f;
        f.server.respond(usersPath, { 200, page("users", 1, 1) });
        UserManagementViewModel users(f.api);
        users.setSearchText(search);
        runTask(users.searchFirstPage());
        QCOMPARE(f.server.requestsTo(usersPath).at(0).rawQuery, query);
        QCOMPARE(f.server.requestsTo(usersPath).at(0).queryValue(u"search"_s).isEmpty(), search.isEmpty());
    }

    // A full page may have a successor, a short one has none; the total falls back to
    // the rows received when the server leaves it out.
    void pager_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QByteArray>("total"); // JSON of "total", or "-" for absent
        QTest::addColumn<bool>("canGoForward");
        QTest::addColumn<qint64>("shownTotal");
        QTest::newRow("users 19") << u"users"_s << 19 << QByteArray("45") << false << qint64(45);
        QTest::newRow("users 20") << u"users"_s << 20 << QByteArray("-") << true << qint64(20);
        QTest::newRow("users 21") << u"users"_s << 21 << QByteArray("null") << true << qint64(21);
        QTest::newRow("groups 19") << u"groups"_s << 19 << QByteArray("0") << false << qint64(0);
        QTest::newRow("groups 20") << u"groups"_s << 20 << QByteArray("-") << true << qint64(20);
        QTest::newRow("audit 29") << u"messages"_s << 29 << QByteArray("-") << false << qint64(29);
        QTest::newRow("audit 30") << u"messages"_s << 30 << QByteArray("99") << true << qint64(99);
        QTest::newRow("audit 31") << u"messages"_s << 31 << QByteArray("-") << true << qint64(31);
        QTest::newRow("audit 0") << u"messages"_s << 0 << QByteArray("-") << false << qint64(0);
    }
    void pager()
    {
        QFETCH(QString, table);
        QFETCH(int, rows);
        QFETCH(QByteArray, total);
        QFETCH(bool, canGoForward);
        QFETCH(qint64, shownTotal);
        Fixture f;
        QByteArray reply = page(table.toLatin1().constData(), rows);
        if (total != "-")
            reply.insert(reply.size() - 1, ",\"total\":" + total);
        f.server.respond(u"/api/admin/"_s + table, { 200, reply });
        std::unique_ptr<AdminPagedTable> model;
        if (table == u"users")
            model = std::make_unique<UserManagementViewModel>(f.api);
        else if (table == u"groups")
            model = std::make_unique<GroupManagementViewModel>(f.api);
        else
            model = std::make_unique<MessageAuditViewModel>(f.api);
        QVERIFY(model->isLoading());
        QSignalSpy totals(model.get(), &AdminPagedTable::totalChanged);
        runTask(model->load());
        QVERIFY(!model->isLoading());
        // A total that changed is announced, once.
        QCOMPARE(totals.count(), shownTotal != 0 ? 1 : 0);
        QCOMPARE(model->rowCount(), rows);
        QCOMPARE(model->canGoForward(), canGoForward);
        QCOMPARE(model->total(), shownTotal);
        QCOMPARE(f.server.requestsTo(u"/api/admin/"_s + table).at(0).queryValue(u"limit"_s), QString::number(model->pageSize()));
        QVERIFY(!model->canGoBack());
    }

    // The page number moves only with the page it names; a failed page change keeps
    // the page, rows and total on screen.
    void pageCommitsOnArrival()
    {
        Fixture f;
        f.server.respondOnce(groupsPath, { 200, page("groups", 20, 45) });
        f.server.respondOnce(groupsPath, { 200, page("groups", 20, 45, 21), {}, true });
        f.server.respondOnce(groupsPath, { 500, R"({"error":"down"})" });
        GroupManagementViewModel groups(f.api);
        runTask(groups.load());

        auto next = groups.nextPage();
        QTRY_COMPARE(f.server.requestsTo(groupsPath).size(), 2);
        QCOMPARE(f.server.requestsTo(groupsPath).at(1).queryValue(u"page"_s), u"2"_s);
        QCOMPARE(groups.page(), 1);
        QCOMPARE(groups.groups().first().id, qint64(1));
        f.server.release(groupsPath);
        runTask(std::move(next));
        QCOMPARE(groups.page(), 2);
        QCOMPARE(groups.groups().first().id, qint64(21));
        QVERIFY(groups.canGoBack());

        runTask(groups.nextPage());
        QCOMPARE(groups.page(), 2);
        QCOMPARE(groups.groups().first().id, qint64(21));
        QCOMPARE(groups.total(), qint64(45));
        QCOMPARE(groups.errorMessage(), std::optional(text("admin.groups_load_failed") + u"down"_s));
        QVERIFY(!groups.isLoading());
        // Dismissed, the failure is gone and an alert bound to it hears so, once.
        QSignalSpy errorShown(&groups, &AdminPagedTable::errorMessageChanged);
        groups.clearError();
        QCOMPARE(groups.errorMessage(), std::nullopt);
        groups.clearError();
        QCOMPARE(errorShown.size(), 1);
    }

    // An older search answered after a newer one never replaces it.
    // An older search's answer, a page or a failure, changes nothing of a newer one.
    void staleReplyDropped_data()
    {
        QTest::addColumn<RecordingHttpServer::Reply>("olderReply");
        QTest::newRow("page") << RecordingHttpServer::Reply { 200, page("users", 3, 3, 100), {}, true };
        QTest::newRow("failure") << RecordingHttpServer::Reply { 500, R"({"error":"x"})", {}, true };
    }
    void staleReplyDropped()
    {
        QFETCH(RecordingHttpServer::Reply, olderReply);
        Fixture f;
        f.server.respondOnce(usersPath, olderReply);
        f.server.respondOnce(usersPath, { 200, page("users", 1, 1, 200) });
        UserManagementViewModel users(f.api);
        users.setSearchText(u"a"_s);
        auto older = users.searchFirstPage();
        QTRY_COMPARE(f.server.requestsTo(usersPath).size(), 1);
        users.setSearchText(u"ab"_s);
        runTask(users.searchFirstPage());
        QCOMPARE(users.users().first().id, qint64(200));
        QVERIFY(!users.isLoading());
        f.server.release(usersPath);
        runTask(std::move(older));
        QCOMPARE(users.users().size(), 1);
        QCOMPARE(users.users().first().id, qint64(200));
        QCOMPARE(users.total(), qint64(1));
        QVERIFY(!users.errorMessage());
        QVERIFY(!users.isLoading());
    }

    // The dashboard and a section start together on an expired token: one refresh,
    // each repeats once, nobody reports "unauthorized".
    void concurrentUnauthorizedShareOneRefresh()
    {
        Fixture f;
        f.server.respondOnce(statsPath, { 401, R"({"error":"expired"})" });
        f.server.respond(statsPath, { 200, R"({"totalUsers":7})" });
        f.server.respondOnce(usersPath, { 401, R"({"error":"expired"})" });
        f.server.respond(usersPath, { 200, page("users", 2, 2) });
        f.server.respond(refreshPath, { 200, newTokens, {}, true });

        AdminDashboardViewModel dashboard(f.api);
        UserManagementViewModel users(f.api);
        auto stats = dashboard.loadStats();
        QTRY_COMPARE(f.server.requestsTo(refreshPath).size(), 1);
        auto list = users.load();
        QTRY_COMPARE(f.server.requestsTo(usersPath).size(), 1);
        // The section's refusal is back and it waits on the refresh under way.
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        f.server.release(refreshPath);
        runTask(std::move(stats));
        runTask(std::move(list));

        QCOMPARE(f.server.requestsTo(refreshPath).size(), 1);
        QCOMPARE(f.server.requestsTo(statsPath).size(), 2);
        QCOMPARE(f.server.requestsTo(usersPath).size(), 2);
        QCOMPARE(f.server.requestsTo(usersPath).at(1).header("Authorization"), QByteArray("Bearer new-access"));
        QVERIFY(!dashboard.errorMessage());
        QCOMPARE(users.errorMessage(), std::nullopt);
        QCOMPARE(dashboard.tileValues().first(), qint64(7));
        QCOMPARE(users.rowCount(), 2);
        QVERIFY(!f.api.isRefreshing());
    }

    // After the one refresh, the repeat's own failure is reported, not "unauthorized";
    // a second 401 or a failed refresh is.
    void repeatFailure_data()
    {
        QTest::addColumn<int>("refreshStatus");
        QTest::addColumn<int>("repeatStatus");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("statsRequests");
        QTest::newRow("repeat 500") << 200 << 500 << u"boom"_s << 2;
        QTest::newRow("repeat 401") << 200 << 401 << APIError::unauthorized().description() << 2;
        QTest::newRow("refresh refused") << 401 << 200 << APIError::unauthorized().description() << 1;
    }
    void repeatFailure()
    {
        QFETCH(int, refreshStatus);
        QFETCH(int, repeatStatus);
        QFETCH(QString, description);
        QFETCH(int, statsRequests);
        Fixture f;
        f.server.respondOnce(statsPath, { 401, "{}" });
        f.server.respond(statsPath, { repeatStatus, repeatStatus == 200 ? QByteArray("{}") : QByteArray(R"({"error":"boom"})") });
        f.server.respond(refreshPath, { refreshStatus, refreshStatus == 200 ? newTokens : QByteArray("{}") });
        AdminDashboardViewModel dashboard(f.api);
        runTask(dashboard.loadStats());
        QCOMPARE(dashboard.errorMessage(), std::optional(text("admin.load_stats_failed") + description));
        QCOMPARE(f.server.requestsTo(statsPath).size(), statsRequests);
        QCOMPARE(f.server.requestsTo(refreshPath).size(), 1);
        QVERIFY(!f.api.isRefreshing());
        QVERIFY(!dashboard.isLoading());
        // Dismissed, the failure is gone, and an alert bound to it hears so.
        QSignalSpy errorShown(&dashboard, &AdminDashboardViewModel::errorMessageChanged);
        dashboard.clearError();
        QVERIFY(!dashboard.errorMessage());
        QCOMPARE(errorShown.size(), 1);
    }

    void stats_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QList<qint64>>("tiles");
        QTest::addColumn<bool>("failed");
        QTest::newRow("two fields") << QByteArray(R"({"totalUsers":12,"onlineUsers":3,"other":"x"})") << QList<qint64> { 12, 3, 0, 0 } << false;
        QTest::newRow("null body") << QByteArray("null") << QList<qint64> { 0, 0, 0, 0 } << false;
        QTest::newRow("seven digits") << QByteArray(R"({"totalMessages":1234567})") << QList<qint64> { 0, 0, 1234567, 0 } << false;
        QTest::newRow("text number keeps previous") << QByteArray(R"({"totalUsers":"12"})") << QList<qint64> { 5, 0, 0, 1 } << true;
    }
    void stats()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QList<qint64>, tiles);
        QFETCH(bool, failed);
        Fixture f;
        f.server.respondOnce(statsPath, { 200, R"({"totalUsers":5,"activeGroups":1})" });
        f.server.respond(statsPath, { 200, reply });
        AdminDashboardViewModel dashboard(f.api);
        runTask(dashboard.loadStats());
        runTask(dashboard.loadStats());
        QCOMPARE(dashboard.tileValues(), tiles);
        QCOMPARE(dashboard.errorMessage().has_value(), failed);
        if (failed)
            QVERIFY(dashboard.errorMessage()->startsWith(text("admin.load_stats_failed") + APIError::decodingError({}).description()));
    }

    // A refresh answered before the first load: the late first reply, an answer or a
    // failure, changes nothing, and the spinner ends with the newest load.
    void staleStatsDropped_data()
    {
        QTest::addColumn<int>("olderStatus");
        QTest::addColumn<QByteArray>("olderBody");
        QTest::newRow("older answer") << 200 << QByteArray(R"({"totalUsers":1})");
        QTest::newRow("older failure") << 500 << QByteArray(R"({"error":"down"})");
    }
    void staleStatsDropped()
    {
        QFETCH(int, olderStatus);
        QFETCH(QByteArray, olderBody);
        Fixture f;
        f.server.respondOnce(statsPath, { olderStatus, olderBody, {}, true });
        f.server.respondOnce(statsPath, { 200, R"({"totalUsers":2})" });
        AdminDashboardViewModel dashboard(f.api);
        auto older = dashboard.loadStats();
        QTRY_COMPARE(f.server.requestsTo(statsPath).size(), 1);
        runTask(dashboard.loadStats());
        QCOMPARE(dashboard.tileValues().first(), qint64(2));
        QVERIFY(!dashboard.isLoading());
        f.server.release(statsPath);
        runTask(std::move(older));
        QCOMPARE(dashboard.tileValues().first(), qint64(2));
        QVERIFY(!dashboard.isLoading());
        QVERIFY(!dashboard.errorMessage());
    }

    // Row actions patch the page on screen: the body sent, the row after success
    // (an empty 2xx body is a success), and the row untouched after a failure.
    void rowActions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("replyBody");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("after"); // the rows' summary afterwards
        QTest::addColumn<QByteArray>("failureKey"); // empty: success
        // Two rows share id 2: only the first is patched.
        QTest::newRow("ban absent flag") << u"ban 2"_s << 200 << QByteArray() << QByteArray(R"({"banned":true,"userId":2})") << u"1:- 2:banned 3:banned 2:-"_s << QByteArray();
        QTest::newRow("unban") << u"ban 3"_s << 200 << QByteArray("{}") << QByteArray(R"({"banned":false,"userId":3})") << u"1:- 2:- 3:- 2:-"_s << QByteArray();
        QTest::newRow("ban fails") << u"ban 2"_s << 403 << QByteArray(R"({"error":"no"})") << QByteArray(R"({"banned":true,"userId":2})") << u"1:- 2:- 3:banned 2:-"_s << QByteArray("admin.users_operation_failed");
        QTest::newRow("role") << u"role 2 vip"_s << 200 << QByteArray() << QByteArray(R"({"role":"vip","userId":2})") << u"1:- 2:vip 3:banned 2:-"_s << QByteArray();
        QTest::newRow("role gone row") << u"role 9 admin"_s << 200 << QByteArray() << QByteArray(R"({"role":"admin","userId":9})") << u"1:- 2:- 3:banned 2:-"_s << QByteArray();
        QTest::newRow("role fails") << u"role 2 vip"_s << 500 << QByteArray() << QByteArray(R"({"role":"vip","userId":2})") << u"1:- 2:- 3:banned 2:-"_s << QByteArray("admin.users_role_change_failed");
        QTest::newRow("dissolve") << u"dissolve 2"_s << 200 << QByteArray() << QByteArray(R"({"groupId":2})") << u"1 3 total 2"_s << QByteArray();
        QTest::newRow("dissolve at total 0") << u"dissolve 1 total0"_s << 200 << QByteArray("null") << QByteArray(R"({"groupId":1})") << u"2 3 total 0"_s << QByteArray();
        QTest::newRow("dissolve fails") << u"dissolve 2"_s << 500 << QByteArray(R"({"error":"x"})") << QByteArray(R"({"groupId":2})") << u"1 2 3 total 3"_s << QByteArray("admin.groups_dissolve_failed");
        QTest::newRow("delete") << u"delete 2"_s << 200 << QByteArray() << QByteArray(R"({"messageId":2})") << u"1:- 2:deleted 3:- 2:- total 3"_s << QByteArray();
        QTest::newRow("delete, the first row") << u"delete 1"_s << 200 << QByteArray() << QByteArray(R"({"messageId":1})") << u"1:deleted 2:- 3:- 2:- total 3"_s << QByteArray();
        QTest::newRow("delete fails") << u"delete 2"_s << 404 << QByteArray() << QByteArray(R"({"messageId":2})") << u"1:- 2:- 3:- 2:- total 3"_s << QByteArray("admin.messages_delete_failed");
    }
    void rowActions()
    {
        QFETCH(QString, action);
        QFETCH(int, status);
        QFETCH(QByteArray, replyBody);
        QFETCH(QByteArray, sent);
        QFETCH(QString, after);
        QFETCH(QByteArray, failureKey);
        Fixture f;
        const QStringList words = action.split(u' ');
        const qint64 id = words.at(1).toLongLong();
        QString summary;
        std::optional<QString> error;
        QString path;
        bool acting = false; // the row still locked once the action ended
        if (words.first() == u"ban" || words.first() == u"role") {
            f.server.respond(usersPath, { 200, R"({"users":[{"id":1},{"id":2},{"id":3,"isBanned":true},{"id":2}]})" });
            UserManagementViewModel users(f.api);
            runTask(users.load());
            AdminUser target;
            target.id = id;
            target.isBanned = id == 3 ? std::optional(true) : std::nullopt;
            path = words.first() == u"ban" ? u"/api/admin/users/ban"_s : u"/api/admin/users/role"_s;
            f.server.respond(path, { status, replyBody });
            if (words.first() == u"ban")
                runTask(users.toggleBan(target));
            else
                runTask(users.changeRole(target, words.at(2)));
            QStringList rows;
            for (const AdminUser& u : users.users())
                rows << QString::number(u.id) + u':' + (u.role ? *u.role : u.isBanned == std::optional(true) ? u"banned"_s : u"-"_s);
            summary = rows.join(u' ');
            error = users.errorMessage();
            acting = users.isActing(id);
        } else if (words.first() == u"dissolve") {
            const bool zero = words.size() > 2;
            f.server.respond(groupsPath, { 200, page("groups", 3, zero ? 0 : 3) });
            GroupManagementViewModel groups(f.api);
            runTask(groups.load());
            AdminGroup target;
            target.id = id;
            path = u"/api/admin/groups/dissolve"_s;
            f.server.respond(path, { status, replyBody });
            runTask(groups.dissolve(target));
            QStringList rows;
            for (const AdminGroup& g : groups.groups())
                rows << QString::number(g.id);
            summary = rows.join(u' ') + u" total "_s + QString::number(groups.total());
            error = groups.errorMessage();
            acting = groups.isActing(id);
        } else {
            f.server.respond(messagesPath, { 200, R"({"messages":[{"id":1},{"id":2},{"id":3},{"id":2}],"total":3})" });
            MessageAuditViewModel audit(f.api);
            runTask(audit.load());
            AuditMessage target;
            target.id = id;
            path = u"/api/admin/messages/delete"_s;
            f.server.respond(path, { status, replyBody });
            runTask(audit.deleteMessage(target));
            QStringList rows;
            for (const AuditMessage& m : audit.messages())
                rows << QString::number(m.id) + (m.isDeleted == std::optional(true) ? u":deleted"_s : u":-"_s);
            summary = rows.join(u' ') + u" total "_s + QString::number(audit.total());
            error = audit.errorMessage();
            acting = audit.isActing(id);
        }
        QCOMPARE(f.server.requestsTo(path).size(), 1);
        QCOMPARE(f.server.requestsTo(path).at(0).method, QByteArray("POST"));
        QCOMPARE(QJsonDocument::fromJson(f.server.requestsTo(path).at(0).body).object(), QJsonDocument::fromJson(sent).object());
        QCOMPARE(summary, after);
        QVERIFY2(!acting, "the row's actions are free again, after a failure too");
        QCOMPARE(error.has_value(), !failureKey.isEmpty());
        if (error)
            QVERIFY(error->startsWith(text(failureKey.constData())));
    }

    // A row action that ends while a load of the page is on its way holds when that
    // load's older answer lands: the row keeps its ban, role or deletion, and a
    // dissolved group stays gone. A load that leaves afterwards is the server's word.
    void rowActionOutlivesAnOlderPage_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("loadFirst");
        QTest::addColumn<QString>("after");
        QTest::newRow("ban") << u"ban"_s << true << u"1:- 2:banned 3:-"_s;
        QTest::newRow("role") << u"role"_s << true << u"1:- 2:vip 3:-"_s;
        QTest::newRow("dissolve") << u"dissolve"_s << true << u"1 3"_s;
        QTest::newRow("delete") << u"delete"_s << true << u"1:- 2:deleted 3:-"_s;
        QTest::newRow("ban, newer page") << u"ban"_s << false << u"1:- 2:- 3:-"_s;
        QTest::newRow("dissolve, newer page") << u"dissolve"_s << false << u"1 2 3"_s;
    }
    void rowActionOutlivesAnOlderPage()
    {
        QFETCH(QString, action);
        QFETCH(bool, loadFirst);
        QFETCH(QString, after);
        Fixture f;
        f.server.respond(u"/api/admin/users/ban"_s, { 200, "null" });
        f.server.respond(u"/api/admin/users/role"_s, { 200, "null" });
        f.server.respond(u"/api/admin/groups/dissolve"_s, { 200, "null" });
        f.server.respond(u"/api/admin/messages/delete"_s, { 200, "null" });
        // The page loads and is asked for again, before or after the row action ends.
        const auto race = [&f, loadFirst](AdminPagedTable& table, const QString& listPath, const QByteArray& rows, auto act) {
            f.server.respondOnce(listPath, { 200, rows });
            runTask(table.load());
            f.server.respond(listPath, { 200, rows, {}, true });
            std::optional<QCoro::Task<>> load;
            if (loadFirst)
                load.emplace(table.load());
            runTask(act());
            if (!loadFirst)
                load.emplace(table.load());
            QTRY_COMPARE(f.server.requestsTo(listPath).size(), 2);
            f.server.release(listPath);
            runTask(std::move(*load));
            QVERIFY(!table.isLoading());
            QVERIFY(!table.errorMessage());
        };
        QStringList rows;
        if (action == u"ban" || action == u"role") {
            UserManagementViewModel users(f.api);
            AdminUser two;
            two.id = 2;
            race(users, usersPath, page("users", 3), [&] {
                return action == u"ban" ? users.toggleBan(two) : users.changeRole(two, u"vip"_s);
            });
            for (const AdminUser& u : users.users())
                rows << QString::number(u.id) + u':' + (u.role ? *u.role : u.isBanned == std::optional(true) ? u"banned"_s : u"-"_s);
        } else if (action == u"dissolve") {
            GroupManagementViewModel groups(f.api);
            AdminGroup two;
            two.id = 2;
            race(groups, groupsPath, page("groups", 3, 3), [&] { return groups.dissolve(two); });
            for (const AdminGroup& g : groups.groups())
                rows << QString::number(g.id);
        } else {
            MessageAuditViewModel audit(f.api);
            AuditMessage two;
            two.id = 2;
            race(audit, messagesPath, page("messages", 3, 3), [&] { return audit.deleteMessage(two); });
            for (const AuditMessage& m : audit.messages())
                rows << QString::number(m.id) + (m.isDeleted == std::optional(true) ? u":deleted"_s : u":-"_s);
        }
        QCOMPARE(rows.join(u' '), after);
    }

    // A second press of a row's action while its request runs sends nothing, also
    // after a failure the action can be pressed again.
    void secondActionWhileInFlight()
    {
        Fixture f;
        f.server.respond(messagesPath, { 200, page("messages", 3, 3) });
        const QString path = u"/api/admin/messages/delete"_s;
        f.server.respondOnce(path, { 500, R"({"error":"x"})", {}, true });
        f.server.respond(path, { 200, "null" });
        MessageAuditViewModel audit(f.api);
        runTask(audit.load());
        AuditMessage target;
        target.id = 2;
        auto first = audit.deleteMessage(target);
        QTRY_COMPARE(f.server.requestsTo(path).size(), 1);
        QVERIFY(audit.isActing(2));
        QVERIFY(!audit.isActing(3));
        runTask(audit.deleteMessage(target));
        QCOMPARE(f.server.requestsTo(path).size(), 1);
        f.server.release(path);
        runTask(std::move(first));
        QVERIFY(!audit.isActing(2));
        runTask(audit.deleteMessage(target));
        QCOMPARE(f.server.requestsTo(path).size(), 2);
        QCOMPARE(audit.messages().at(1).isDeleted, std::optional(true));
    }

    void badgeColours_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("value"); // "<none>": absent
        QTest::addColumn<int>("tint");
        const QString none = u"<none>"_s;
        QTest::newRow("role admin") << u"role"_s << u"admin"_s << int(Tint::Red);
        QTest::newRow("role operator") << u"role"_s << u"operator"_s << int(Tint::Orange);
        QTest::newRow("role vip") << u"role"_s << u"vip"_s << int(Tint::Purple);
        QTest::newRow("role Admin") << u"role"_s << u"Admin"_s << int(Tint::Blue);
        QTest::newRow("role none") << u"role"_s << none << int(Tint::Blue);
        QTest::newRow("type text") << u"type"_s << u"text"_s << int(Tint::Blue);
        QTest::newRow("type image") << u"type"_s << u"image"_s << int(Tint::Green);
        QTest::newRow("type file") << u"type"_s << u"file"_s << int(Tint::Orange);
        QTest::newRow("type voice") << u"type"_s << u"voice"_s << int(Tint::Purple);
        QTest::newRow("type video") << u"type"_s << u"video"_s << int(Tint::Pink);
        QTest::newRow("type location") << u"type"_s << u"location"_s << int(Tint::Teal);
        QTest::newRow("type Text") << u"type"_s << u"Text"_s << int(Tint::Gray);
        QTest::newRow("type none") << u"type"_s << none << int(Tint::Gray);
        QTest::newRow("category political") << u"category"_s << u"political"_s << int(Tint::Red);
        QTest::newRow("category illegal") << u"category"_s << u"illegal"_s << int(Tint::Orange);
        QTest::newRow("category spam") << u"category"_s << u"spam"_s << int(Tint::Yellow);
        QTest::newRow("category profanity") << u"category"_s << u"profanity"_s << int(Tint::Purple);
        QTest::newRow("category fraud") << u"category"_s << u"fraud"_s << int(Tint::Pink);
        QTest::newRow("category other") << u"category"_s << u"other"_s << int(Tint::Gray);
        QTest::newRow("category none") << u"category"_s << none << int(Tint::Gray);
    }
    void badgeColours()
    {
        QFETCH(QString, kind);
        QFETCH(QString, value);
        QFETCH(int, tint);
        const std::optional<QString> v = value == u"<none>" ? std::nullopt : std::optional(value);
        const Tint got = kind == u"role" ? UserManagementViewModel::roleBadgeColor(v)
            : kind == u"type"            ? MessageAuditViewModel::typeColor(v)
                                         : SensitiveWordsViewModel::categoryColor(v);
        QCOMPARE(int(got), tint);
    }

    void categoryLabels()
    {
        QCOMPARE(SensitiveWordsViewModel::categoryLabel(u"spam"_s), text("admin.words_spam"));
        QCOMPARE(SensitiveWordsViewModel::categoryLabel(std::nullopt), text("admin.words_other"));
        QCOMPARE(SensitiveWordsViewModel::categoryLabel(u"other"_s), u"other"_s);
        QCOMPARE(SensitiveWordsViewModel::categoryLabel(u"Spam"_s), u"Spam"_s);
    }

    void wholeNumbers_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("number"); // "-": none
        QTest::addColumn<int>("field");
        using F = SystemConfigViewModel::Field;
        QTest::newRow("plain") << u"500"_s << u"500"_s << int(F::Valid);
        QTest::newRow("plus sign") << u"+5"_s << u"5"_s << int(F::Valid);
        QTest::newRow("minus sign") << u"-5"_s << u"-5"_s << int(F::Invalid);
        QTest::newRow("zero") << u"0"_s << u"0"_s << int(F::Invalid);
        QTest::newRow("empty") << QString() << u"-"_s << int(F::Empty);
        QTest::newRow("lone sign") << u"+"_s << u"-"_s << int(F::Invalid);
        QTest::newRow("leading blank") << u" 5"_s << u"-"_s << int(F::Invalid);
        QTest::newRow("fraction") << u"5.0"_s << u"-"_s << int(F::Invalid);
        QTest::newRow("letter") << u"5a"_s << u"-"_s << int(F::Invalid);
        QTest::newRow("int64 max") << u"9223372036854775807"_s << u"9223372036854775807"_s << int(F::Valid);
        QTest::newRow("beyond int64") << u"9223372036854775808"_s << u"-"_s << int(F::Invalid);
        QTest::newRow("arabic-indic digits") << u"٥"_s << u"-"_s << int(F::Invalid);
    }
    void wholeNumbers()
    {
        QFETCH(QString, input);
        QFETCH(QString, number);
        QFETCH(int, field);
        const std::optional<qint64> parsed = SystemConfigViewModel::wholeNumber(input);
        QCOMPARE(parsed ? QString::number(*parsed) : u"-"_s, number);
        QCOMPARE(int(SystemConfigViewModel::field(input, { 1, std::numeric_limits<qint64>::max() })), field);
    }

    void configLoadAndSave()
    {
        Fixture f;
        f.server.respond(configGet, { 200, envelope(R"({"maxGroupMembers":500,"screenshotProtection":true})") });
        f.server.respondOnce(configSave, { 500, R"({"error":"nope"})" });
        f.server.respond(configSave, { 200, envelope("null") });
        SystemConfigViewModel config(f.api);
        QVERIFY(!config.canSave());
        runTask(config.load());
        QCOMPARE(f.server.requestsTo(configGet).at(0).hasQuery, false);
        QCOMPARE(config.maxGroupMembers(), u"500"_s);
        QCOMPARE(config.messageRetentionDays(), QString());
        QVERIFY(config.screenshotProtection());
        QVERIFY(config.allowRegistration());
        QVERIFY(config.canSave());

        int saved = 0;
        connect(&config, &SystemConfigViewModel::saved, this, [&] { ++saved; });
        // An invalid number blocks the save: nothing goes out.
        config.setMessageRetentionDays(u"-5"_s);
        QVERIFY(!config.canSave());
        runTask(config.save());
        QCOMPARE(f.server.requestsTo(configSave).size(), 0);

        // The failed save says so and announces nothing.
        config.setMessageRetentionDays(QString());
        runTask(config.save());
        QCOMPARE(saved, 0);
        QCOMPARE(config.errorMessage(), std::optional(text("admin.config_save_failed") + u"nope"_s));
        QVERIFY(!config.isSaving());

        config.setMessageRetentionDays(u"+30"_s);
        // Each switch announces its change once; the same value again announces nothing.
        QSignalSpy formShown(&config, &SystemConfigViewModel::formChanged);
        config.setScreenshotProtection(false);
        QCOMPARE(formShown.count(), 1);
        config.setAllowRegistration(false);
        QCOMPARE(formShown.count(), 2);
        config.setScreenshotProtection(false);
        config.setAllowRegistration(false);
        QCOMPARE(formShown.count(), 2);
        QVERIFY(!config.screenshotProtection());
        QVERIFY(!config.allowRegistration());
        runTask(config.save());
        QCOMPARE(saved, 1);
        QCOMPARE(f.body(configSave, 1).value(u"json"_s).toObject(),
                 (QJsonObject { { u"maxGroupMembers"_s, 500 }, { u"messageRetentionDays"_s, 30 },
                                { u"screenshotProtection"_s, false }, { u"allowRegistration"_s, false } }));
        QCOMPARE(f.body(configSave, 0).value(u"json"_s).toObject().contains(u"messageRetentionDays"_s), false);
        QCOMPARE(config.messageRetentionDays(), u"+30"_s);
    }

    // After a failed load the form holds defaults, not the server's settings: no save
    // until a reload succeeds.
    void configSaveDisabledAfterFailedLoad()
    {
        Fixture f;
        f.server.respondOnce(configGet, { 500, "{}" });
        f.server.respond(configGet, { 200, envelope("{}") });
        f.server.respond(configSave, { 200, envelope("null") });
        SystemConfigViewModel config(f.api);
        QVERIFY(!config.isSaving());
        runTask(config.load());
        QVERIFY(config.loadFailed());
        QVERIFY(!config.isLoading());
        QVERIFY(!config.isSaving());
        QCOMPARE(config.maxGroupMembers(), QString());
        QCOMPARE(config.messageRetentionDays(), QString());
        QVERIFY(!config.screenshotProtection());
        QVERIFY(config.allowRegistration());
        QVERIFY(config.errorMessage()->startsWith(text("admin.config_load_failed")));
        QVERIFY(!config.canSave());
        runTask(config.save());
        QCOMPARE(f.server.requestsTo(configSave).size(), 0);

        // The reload shows itself as loading from its start.
        auto reload = config.load();
        QVERIFY(config.isLoading());
        runTask(std::move(reload));
        QVERIFY(!config.isLoading());
        QVERIFY(!config.loadFailed());
        QVERIFY(!config.screenshotProtection());
        QVERIFY(config.allowRegistration());
        QVERIFY(config.canSave());
        runTask(config.save());
        QCOMPARE(f.body(configSave).value(u"json"_s).toObject(),
                 (QJsonObject { { u"screenshotProtection"_s, false }, { u"allowRegistration"_s, true } }));
    }

    void wordFilter_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QList<qint64>>("ids");
        QTest::newRow("empty keeps all") << QString() << QList<qint64> { 1, 2, 3, 4 };
        QTest::newRow("category any case") << u"SPA"_s << QList<qint64> { 1, 3 };
        QTest::newRow("word any case") << u"bad"_s << QList<qint64> { 1, 2 };
        QTest::newRow("blank not trimmed") << u" "_s << QList<qint64> { 2 };
        QTest::newRow("label not searched") << text("admin.words_political").toUpper() << QList<qint64> {};
        QTest::newRow("no category") << u"zz"_s << QList<qint64> {};
    }
    void wordFilter()
    {
        QFETCH(QString, search);
        QFETCH(QList<qint64>, ids);
        const QList<SensitiveWord> words {
            { 1, u"BadWord"_s, u"spam"_s, {}, {}, {} },
            { 2, u"very bad"_s, u"fraud"_s, {}, {}, {} },
            { 3, u"x"_s, u"spam"_s, {}, {}, {} },
            { 4, u"y"_s, std::nullopt, {}, {}, {} },
        };
        QList<qint64> got;
        for (const SensitiveWord& w : words) {
            if (SensitiveWordsViewModel::matches(w, search))
                got << w.id;
        }
        QCOMPARE(got, ids);
    }

    // A blank word sends nothing; a failed add keeps the typed word (the sheet stays
    // open with it); a stored one is appended and clears the field.
    void addWord()
    {
        Fixture f;
        f.server.respond(wordsGet, { 200, envelope(R"([{"id":1,"word":"a"}])") });
        f.server.respondOnce(wordAdd, { 409, R"({"error":"duplicate"})" });
        f.server.respond(wordAdd, { 200, envelope(R"({"id":9,"word":"scam","category":"fraud"})") });
        SensitiveWordsViewModel words(f.api);
        runTask(words.loadWords());

        words.setNewWord(u" \n\t"_s);
        QVERIFY(!words.canAdd());
        QCOMPARE(runTask(words.addWord()), false);
        QCOMPARE(f.server.requestsTo(wordAdd).size(), 0);

        // The sheet's field follows the word through its change signal.
        QSignalSpy wordChanged(&words, &SensitiveWordsViewModel::newWordChanged);
        words.setNewWord(u"  scam\n"_s);
        words.setNewWord(u"  scam\n"_s);
        QCOMPARE(wordChanged.size(), 1);
        words.setNewCategory(u"fraud"_s);
        QCOMPARE(runTask(words.addWord()), false);
        QCOMPARE(words.newWord(), u"  scam\n"_s);
        QCOMPARE(words.errorMessage(), std::optional(text("admin.words_add_failed") + u"duplicate"_s));
        QCOMPARE(words.words().size(), 1);
        QCOMPARE(f.body(wordAdd).value(u"json"_s).toObject(), (QJsonObject { { u"word"_s, u"scam"_s }, { u"category"_s, u"fraud"_s } }));

        QCOMPARE(runTask(words.addWord()), true);
        QCOMPARE(words.newWord(), QString());
        QCOMPARE(wordChanged.size(), 2);
        QCOMPARE(words.newCategory(), u"fraud"_s);
        QCOMPARE(words.words().last().id, qint64(9));
    }

    void deleteWord()
    {
        Fixture f;
        f.server.respondOnce(wordsGet, { 200, envelope(R"([{"id":1,"word":"a"},{"id":2,"word":"b"},{"id":1,"word":"c"}])") });
        f.server.respond(wordsGet, { 200, envelope(R"([{"id":2,"word":"b"}])") });
        f.server.respondOnce(wordDelete, { 200, envelope("null") });
        f.server.respond(wordDelete, { 500, R"({"error":"gone"})" });
        SensitiveWordsViewModel words(f.api);
        runTask(words.loadWords());
        runTask(words.deleteWord({ 1, u"a"_s, {}, {}, {}, {} }));
        QCOMPARE(words.words().size(), 1);
        QCOMPARE(f.body(wordDelete).value(u"json"_s).toObject(), (QJsonObject { { u"id"_s, 1 } }));
        // A failed delete reports and reads the list again, without the spinner.
        runTask(words.deleteWord({ 2, u"b"_s, {}, {}, {}, {} }));
        QCOMPARE(words.errorMessage(), std::optional(text("admin.words_delete_failed") + u"gone"_s));
        QCOMPARE(f.server.requestsTo(wordsGet).size(), 2);
        QVERIFY(!words.isLoading());
    }

    void staleWordsDropped()
    {
        Fixture f;
        f.server.respondOnce(wordsGet, { 200, envelope(R"([{"id":1,"word":"old"}])"), {}, true });
        f.server.respond(wordsGet, { 200, envelope(R"([{"id":2,"word":"new"}])") });
        SensitiveWordsViewModel words(f.api);
        auto older = words.loadWords();
        QTRY_COMPARE(f.server.requestsTo(wordsGet).size(), 1);
        runTask(words.loadWords());
        f.server.release(wordsGet);
        runTask(std::move(older));
        QCOMPARE(words.words().size(), 1);
        QCOMPARE(words.words().first().id, qint64(2));
    }

    void wordsLoadFailure()
    {
        Fixture f;
        f.server.respond(wordsGet, { 200, envelope(R"([{"id":1,"word":"a"},{"id":2}])") });
        SensitiveWordsViewModel words(f.api);
        QVERIFY(words.isLoading());
        runTask(words.loadWords());
        QVERIFY(!words.isLoading());
        QVERIFY(words.words().isEmpty());
        QCOMPARE(words.errorMessage(), std::optional(text("admin.words_load_failed") + APIError::decodingError({}).description()));
    }
};

QTEST_GUILESS_MAIN(TestAdminState)
#include "tst_admin_state.moc"
