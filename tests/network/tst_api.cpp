// The API client against a recording server: request shapes, status judgement, reply
// unwrapping, refresh-and-retry, upload, and the token lifecycle of the auth service.

#include "RecordingHttpServer.h"
#include "TaskRunner.h"
#include "network/APIClient.h"
#include "network/APIError.h"
#include "network/AuthService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using Kind = APIError::Kind;
Q_DECLARE_METATYPE(APIError::Kind)

namespace {

const QString vipStatus = u"/api/trpc/vip.status"_s;
const QString refreshPath = u"/api/auth/refresh"_s;
const QByteArray user7 = R"({"id":7,"openId":"o7","name":"七","role":"admin"})";

struct Fixture {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    APIClient api { server.baseUrl(), keychain };
    AuthService auth { api, keychain };

    // refresher: 401s go through the auth service's refresh. previous: a signed-in account's items.
    explicit Fixture(bool refresher = false, bool previous = false)
    {
        if (refresher)
            api.setTokenRefresher([this] { return auth.refreshToken(); });
        if (!previous)
            return;
        keychain.saveText(u"old-access"_s, u"auth_token"_s);
        keychain.saveText(u"old-refresh"_s, u"refresh_token"_s);
        keychain.save(R"({"id":1,"openId":"o1","name":"one"})", u"cached_user"_s);
        keychain.saveText(u"mac-device"_s, u"device_unique_id"_s);
    }
    QString text(const QString& key) const { return keychain.loadText(key).value_or(u"<none>"_s); }
    qint64 cachedUserId() const { return keychain.getCachedUser().value_or(User {}).id; }
};

template <typename T> std::optional<APIError> failureOf(QCoro::Task<T> task)
{
    try {
        testsupport::runTask(std::move(task));
    } catch (const APIError& error) {
        return error;
    }
    return std::nullopt;
}

// The reply value as JSON text, or the kind of failure.
template <typename R> QString outcome(QCoro::Task<R> task)
{
    try {
        return QString::fromUtf8(json::serialize(json::encode(testsupport::runTask(std::move(task)))));
    } catch (const APIError& error) {
        return u"error %1"_s.arg(int(error.kind()));
    }
}

QByteArray envelope(const QByteArray& json) { return R"({"result":{"data":{"json":)" + json + "}}}"; }
QJsonValue wrapped(const QJsonObject& input) { return QJsonObject { { u"json"_s, input } }; }

// Procedure inputs only write themselves.
struct Search {
    QString keyword;
    void write(json::Writer& writer) const { writer.required("keyword"_L1, keyword); }
};

} // namespace

class TestApi : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bearerTokenAndHeaders_data()
    {
        QTest::addColumn<QByteArray>("storedToken");
        QTest::addColumn<QByteArray>("authorization");
        QTest::newRow("token") << QByteArray("tok-1") << QByteArray("Bearer tok-1");
        QTest::newRow("no token") << QByteArray() << QByteArray();
        QTest::newRow("token not UTF-8") << QByteArray("\xff\xfe", 2) << QByteArray();
    }
    void bearerTokenAndHeaders()
    {
        QFETCH(QByteArray, storedToken);
        QFETCH(QByteArray, authorization);
        Fixture f;
        if (!storedToken.isEmpty())
            f.keychain.save(storedToken, u"auth_token"_s);
        f.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        f.server.respond(u"/api/auth/me"_s, { 200, "{}" });
        testsupport::runTask(f.api.request<EmptyResponse>("POST", u"/api/auth/logout"_s));
        testsupport::runTask(f.api.request<EmptyResponse>("GET", u"/api/auth/me"_s));

        QCOMPARE(f.server.requests().size(), 2);
        for (const auto& request : f.server.requests()) {
            QCOMPARE(request.header("Authorization"), authorization);
            QCOMPARE(request.hasHeader("Authorization"), !authorization.isEmpty());
            QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
            QVERIFY(request.body.isEmpty());
        }
    }

    void statusJudgement_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("description");
        QTest::newRow("200 empty") << 200 << QByteArray() << Kind::DecodingError << u"数据解析错误"_s;
        QTest::newRow("401 with text") << 401 << QByteArray(R"({"error":"expired"})") << Kind::Unauthorized << u"请先登录"_s;
        QTest::newRow("404 text") << 404 << QByteArray(R"({"error":"没有这个用户"})") << Kind::HttpError << u"没有这个用户"_s;
        QTest::newRow("400 procedure") << 400 << QByteArray(R"({"error":{"json":{"message":"bad","code":-32600}}})")
                                       << Kind::HttpError << u"bad"_s;
        QTest::newRow("409 empty text") << 409 << QByteArray(R"({"error":""})") << Kind::HttpError << u""_s;
        QTest::newRow("500 not JSON") << 500 << QByteArray("<html>") << Kind::HttpError << u"HTTP错误: 500"_s;
        QTest::newRow("500 null error") << 500 << QByteArray(R"({"error":null})") << Kind::HttpError << u"HTTP错误: 500"_s;
        QTest::newRow("403 no message") << 403 << QByteArray(R"({"error":{"json":{}}})") << Kind::HttpError << u"HTTP错误: 403"_s;
        QTest::newRow("302 not followed") << 302 << QByteArray() << Kind::HttpError << u"HTTP错误: 302"_s;
    }
    void statusJudgement()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(Kind, kind);
        QFETCH(QString, description);
        Fixture f;
        f.server.respond(u"/api/admin/x"_s, { status, body, { { "Location", "http://127.0.0.1:1/" } } });
        const auto error = failureOf(f.api.request<EmptyResponse>("GET", u"/api/admin/x"_s));
        QVERIFY(error);
        QCOMPARE(error->kind(), kind);
        QCOMPARE(error->description(), description);
    }

    void transportAndAddressFailures()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString down = u"http://127.0.0.1:%1"_s.arg(closed.serverPort());
        closed.close();
        Fixture f;
        APIClient offline(down, f.keychain);
        const auto transport = failureOf(offline.request<EmptyResponse>("GET", u"/api/auth/me"_s));
        QVERIFY(transport);
        QCOMPARE(transport->kind(), Kind::Transport);
        QVERIFY(!transport->description().isEmpty()); // the platform's own text, not wrapped

        APIClient files(u"file:///etc"_s, f.keychain);
        QCOMPARE(failureOf(files.request<EmptyResponse>("GET", u"/passwd"_s))->kind(), Kind::InvalidURL);
        QCOMPARE(failureOf(f.api.request<EmptyResponse>("GET", u"/a b"_s))->description(), u"无效的请求地址"_s);
        QVERIFY(f.server.requests().isEmpty());
    }

    void queryInputReachesServerExactly_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::newRow("plus") << u"c++"_s;
        QTest::newRow("percent") << u"100% %20"_s;
        QTest::newRow("reserved") << u"a b&c=d#e?f/g"_s;
        QTest::newRow("chinese, quote, backslash") << u"张三 \"hi\" \\"_s;
    }
    void queryInputReachesServerExactly()
    {
        QFETCH(QString, keyword);
        Fixture f;
        f.server.respond(u"/api/trpc/user.search"_s, { 200, envelope("[]") });
        testsupport::runTask(f.api.query<QList<qint64>>(u"user.search"_s, Search { keyword }));

        const auto request = f.server.requests().value(0);
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, u"/api/trpc/user.search"_s);
        QVERIFY(request.rawQuery.startsWith("input="));
        QVERIFY(!request.rawQuery.contains('+'));
        // The encoder's text inside {"json": ...}, with no second escaping.
        const QString inner = QString::fromUtf8(json::serialize(QJsonObject { { u"keyword"_s, keyword } }));
        QCOMPARE(request.queryValue(u"input"_s), u"{\"json\":"_s + inner + u'}');
    }

    void procedureRequestShapes()
    {
        Fixture f;
        for (const char* name : { "contacts.list", "user.setupMFA", "messages.revoke" })
            f.server.respond(u"/api/trpc/"_s + QLatin1StringView(name), { 200, envelope("null") });
        testsupport::runTask(f.api.query<std::optional<qint64>>(u"contacts.list"_s));
        testsupport::runTask(f.api.mutation(u"user.setupMFA"_s));
        const QJsonObject input { { u"messageId"_s, 42 } };
        testsupport::runTask(f.api.mutation(u"messages.revoke"_s, input));

        const auto& requests = f.server.requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[0].method, QByteArray("GET"));
        QVERIFY(!requests[0].hasQuery); // not even a bare "?"
        QCOMPARE(requests[1].method, QByteArray("POST"));
        QVERIFY(requests[1].body.isEmpty()); // neither {"json":null} nor {}
        QCOMPARE(json::parse(requests[2].body), wrapped(input));
    }

    void replyUnwrapping_data()
    {
        const QString failed = u"error %1"_s.arg(int(Kind::DecodingError));
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("asList");
        QTest::addColumn<QString>("asObject");
        QTest::addColumn<QString>("asOptionalInt");
        QTest::addColumn<QString>("asNothing");
        QTest::newRow("wrapped list") << QByteArray(R"({"result":{"data":{"json":[1,2]}}})") << "[1,2]" << failed << failed << "{}";
        QTest::newRow("bare list") << QByteArray(R"({"result":{"data":[]}})") << "[]" << failed << failed << "{}";
        QTest::newRow("wrapped int") << QByteArray(R"({"result":{"data":{"json":7}}})") << failed << failed << "7" << "{}";
        QTest::newRow("bare int") << QByteArray(R"({"result":{"data":7}})") << failed << failed << "7" << "{}";
        // With "json" present only its value counts, even where "data" itself would read.
        QTest::newRow("wrapped boolean") << QByteArray(R"({"result":{"data":{"json":true}}})") << failed << failed << failed << "{}";
        QTest::newRow("bare object") << QByteArray(R"({"result":{"data":{"a":1}}})") << failed << R"({"a":1})" << failed << "{}";
        QTest::newRow("json null") << QByteArray(R"({"result":{"data":{"json":null}}})") << failed << failed << "null" << "{}";
        QTest::newRow("data null") << QByteArray(R"({"result":{"data":null}})") << failed << failed << "null" << "{}";
        QTest::newRow("no data") << QByteArray(R"({"result":{}})") << failed << failed << failed << failed;
        QTest::newRow("empty body") << QByteArray() << failed << failed << failed << failed;
    }
    void replyUnwrapping()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, asList);
        QFETCH(QString, asObject);
        QFETCH(QString, asOptionalInt);
        QFETCH(QString, asNothing);
        Fixture f;
        f.server.respond(u"/api/trpc/p.q"_s, { 200, body });
        const QString name = u"p.q"_s;
        QCOMPARE(outcome(f.api.query<QList<qint64>>(name)), asList);
        QCOMPARE(outcome(f.api.query<QJsonObject>(name)), asObject);
        QCOMPARE(outcome([](APIClient& api, QString procedure) -> QCoro::Task<QJsonValue> {
                     const std::optional<qint64> value = co_await api.query<std::optional<qint64>>(procedure);
                     co_return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
                 }(f.api, name)),
                 asOptionalInt);
        QCOMPARE(outcome(f.api.mutation(name)), asNothing);
    }

    void retryAfterRefresh_data()
    {
        QTest::addColumn<int>("retryStatus");
        QTest::addColumn<QByteArray>("retryBody");
        QTest::addColumn<bool>("cachedUser");
        QTest::addColumn<bool>("rotates"); // the refresh reply brings a new refresh token
        QTest::addColumn<int>("kind"); // -1: succeeds
        QTest::newRow("retry succeeds") << 200 << envelope("5") << true << false << -1;
        QTest::newRow("retry succeeds, no cached user, rotated") << 200 << envelope("5") << false << true << -1;
        QTest::newRow("second 401") << 401 << QByteArray("{}") << true << true << int(Kind::Unauthorized);
        QTest::newRow("retry 500 stays itself") << 500 << QByteArray(R"({"error":"boom"})") << true << false << int(Kind::HttpError);
        QTest::newRow("retry undecodable stays itself") << 200 << envelope(R"("five")") << true << false << int(Kind::DecodingError);
    }
    void retryAfterRefresh()
    {
        QFETCH(int, retryStatus);
        QFETCH(QByteArray, retryBody);
        QFETCH(bool, cachedUser);
        QFETCH(bool, rotates);
        QFETCH(int, kind);
        Fixture f(true, true);
        if (!cachedUser)
            f.keychain.remove(u"cached_user"_s);
        f.server.respondOnce(vipStatus, { 401, R"({"error":"expired"})" });
        f.server.respond(vipStatus, { retryStatus, retryBody });
        f.server.respond(refreshPath, { 200, rotates ? R"({"app_session_id":"new-access","refresh_token":"new-refresh"})"
                                                     : R"({"app_session_id":"new-access"})" });
        QSignalSpy reconnects(&f.api, &APIClient::sessionRefreshed);

        const auto error = failureOf(f.api.query<qint64>(u"vip.status"_s));

        QCOMPARE(error ? int(error->kind()) : -1, kind);
        QVERIFY(!f.api.isRefreshing());
        const auto calls = f.server.requestsTo(vipStatus);
        QCOMPARE(calls.size(), 2); // one retry, never more
        QCOMPARE(calls[0].header("Authorization"), QByteArray("Bearer old-access"));
        QCOMPARE(calls[1].header("Authorization"), QByteArray("Bearer new-access"));
        QCOMPARE(calls[1].rawQuery, calls[0].rawQuery);
        const auto refreshes = f.server.requestsTo(refreshPath);
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(json::parse(refreshes[0].body), QJsonValue(QJsonObject { { u"refreshToken"_s, u"old-refresh"_s } }));
        QCOMPARE(refreshes[0].header("Authorization"), QByteArray("Bearer old-access"));
        QCOMPARE(f.text(u"auth_token"_s), u"new-access"_s);
        QCOMPARE(f.text(u"refresh_token"_s), rotates ? u"new-refresh"_s : u"old-refresh"_s);
        QCOMPARE(reconnects.size(), cachedUser ? 1 : 0);
        if (cachedUser)
            QCOMPARE(reconnects[0][0].toLongLong(), 1);
    }

    // status 403: not a 401, so no refresh at all.
    void failedRefreshMeansUnauthorized_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("refreshTokenStored");
        QTest::addColumn<int>("refreshStatus");
        QTest::addColumn<QByteArray>("refreshBody");
        QTest::addColumn<int>("refreshRequests");
        QTest::newRow("no refresh token") << 401 << false << 200 << QByteArray() << 0;
        QTest::newRow("refresh refused") << 401 << true << 401 << QByteArray(R"({"error":"revoked"})") << 1;
        QTest::newRow("refresh answers an error") << 401 << true << 200 << QByteArray(R"({"error":"nope"})") << 1;
        QTest::newRow("403 is not refreshed") << 403 << true << 200 << QByteArray(R"({"app_session_id":"x"})") << 0;
    }
    void failedRefreshMeansUnauthorized()
    {
        QFETCH(int, status);
        QFETCH(bool, refreshTokenStored);
        QFETCH(int, refreshStatus);
        QFETCH(QByteArray, refreshBody);
        QFETCH(int, refreshRequests);
        Fixture f(true, true);
        if (!refreshTokenStored)
            f.keychain.remove(u"refresh_token"_s);
        f.server.respond(vipStatus, { status, R"({"error":{"json":{"message":"禁止"}}})" });
        f.server.respond(refreshPath, { refreshStatus, refreshBody });

        const auto error = failureOf(f.api.query<qint64>(u"vip.status"_s));

        QVERIFY(error);
        QCOMPARE(error->kind(), status == 401 ? Kind::Unauthorized : Kind::HttpError);
        QCOMPARE(error->description(), status == 401 ? u"请先登录"_s : u"禁止"_s);
        QVERIFY(!f.api.isRefreshing());
        QCOMPARE(f.server.requestsTo(vipStatus).size(), 1);
        QCOMPARE(f.server.requestsTo(refreshPath).size(), refreshRequests);
        QCOMPARE(f.text(u"auth_token"_s), u"old-access"_s);
        QCOMPARE(f.text(u"refresh_token"_s), refreshTokenStored ? u"old-refresh"_s : u"<none>"_s);
    }

    void unauthorizedDuringRefreshFailsAtOnce()
    {
        Fixture f(true, true);
        const QString other = u"/api/trpc/vip.levels"_s;
        f.server.respondOnce(vipStatus, { 401, "{}" });
        f.server.respond(vipStatus, { 200, envelope("1") });
        f.server.respond(other, { 401, "{}" });
        f.server.respond(refreshPath, { 200, R"({"app_session_id":"new-access"})", {}, true });

        // The first call meets 401 and starts a refresh, which the server holds.
        auto first = f.api.query<qint64>(u"vip.status"_s);
        QTRY_VERIFY(!f.server.requestsTo(refreshPath).isEmpty());
        QVERIFY(f.api.isRefreshing());

        // A second call refused meanwhile fails at once, without a refresh of its own.
        const auto error = failureOf(f.api.query<QList<qint64>>(u"vip.levels"_s));
        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::Unauthorized);
        QCOMPARE(f.server.requestsTo(other).size(), 1);
        QCOMPARE(f.server.requestsTo(refreshPath).size(), 1);

        f.server.release(refreshPath);
        QCOMPARE(testsupport::runTask(std::move(first)), qint64(1));
        QVERIFY(!f.api.isRefreshing());
    }

    void upload_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("presigned");
        QTest::addColumn<QByteArray>("completed");
        QTest::addColumn<QString>("expected"); // empty: decoding error
        QTest::newRow("relative to server") << QByteArray("\x00\x01\xff png", 7) << QByteArray("{\"fileKey\":\"k1\",\"uploadUrl\":\"http://elsewhere/put\"}")
                                            << QByteArray(R"({"url":"/uploads/k1.png"})") << u"BASE/uploads/k1.png"_s;
        QTest::newRow("absolute address") << QByteArray("abc") << QByteArray(R"({"fileKey":"k1"})")
                                          << QByteArray("{\"url\":\"https://cdn.example.org/k1\"}") << u"https://cdn.example.org/k1"_s;
        QTest::newRow("path without slash") << QByteArray("abc") << QByteArray(R"({"fileKey":"k1","uploadUrl":null})")
                                            << QByteArray(R"({"url":"uploads/k1"})") << u"uploads/k1"_s;
        QTest::newRow("empty file") << QByteArray() << QByteArray(R"({"fileKey":"k1"})") << QByteArray(R"({"url":"/u/e"})") << u"BASE/u/e"_s;
        QTest::newRow("empty url") << QByteArray("abc") << QByteArray(R"({"fileKey":"k1"})") << QByteArray(R"({"url":""})") << QString();
        QTest::newRow("announcement without key") << QByteArray("abc") << QByteArray(R"({"uploadUrl":"x"})") << QByteArray() << QString();
    }
    void upload()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, presigned);
        QFETCH(QByteArray, completed);
        QFETCH(QString, expected);
        Fixture f;
        f.server.respond(u"/api/trpc/upload.getPresignedUrl"_s, { 200, envelope(presigned) });
        f.server.respond(u"/api/trpc/upload.complete"_s, { 200, envelope(completed) });

        QString url;
        const auto error = failureOf([&]() -> QCoro::Task<> {
            url = co_await f.api.uploadFile(data, u"图 1.png"_s, u"image/png"_s);
        }());

        QCOMPARE(error ? int(error->kind()) : -1, expected.isEmpty() ? int(Kind::DecodingError) : -1);
        QCOMPARE(url, QString(expected).replace(u"BASE"_s, f.server.baseUrl()));
        const auto& sent = f.server.requests(); // nothing goes to "uploadUrl"
        QCOMPARE(sent.size(), completed.isEmpty() ? 1 : 2);
        QCOMPARE(json::parse(sent[0].body), wrapped({ { u"fileName"_s, u"图 1.png"_s }, { u"fileType"_s, u"image/png"_s },
                                                      { u"fileSize"_s, data.size() } }));
        if (sent.size() == 2)
            QCOMPARE(json::parse(sent[1].body), wrapped({ { u"fileKey"_s, u"k1"_s }, { u"fileBuffer"_s, QString::fromLatin1(data.toBase64()) },
                                                          { u"contentType"_s, u"image/png"_s } }));
    }

    // failure: empty on success. A refused password is never retried nor refreshed.
    void signIn_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("storedRefresh");
        const QByteArray signedIn = R"({"app_session_id":"a2","refresh_token":"r2","user":)" + user7 + '}';
        QTest::newRow("with refresh token") << false << 200 << signedIn << QString() << u"r2"_s;
        // The previous account's refresh token must not survive a sign-in that brings none.
        QTest::newRow("without refresh token") << false << 200 << QByteArray(R"({"app_session_id":"a2","refresh_token":null,"user":)" + user7 + "}")
                                               << QString() << u"<none>"_s;
        QTest::newRow("token and error, no user") << false << 200 << QByteArray(R"({"app_session_id":"a2","error":"账号已冻结"})")
                                                  << u"账号已冻结"_s << u"old-refresh"_s;
        QTest::newRow("empty reply") << false << 200 << QByteArray("{}") << u"登录失败"_s << u"old-refresh"_s;
        QTest::newRow("wrong password") << false << 401 << QByteArray(R"({"error":"用户名或密码错误"})") << u"用户名或密码错误"_s << u"old-refresh"_s;
        QTest::newRow("401 without text") << false << 401 << QByteArray() << u"登录失败"_s << u"old-refresh"_s;
        QTest::newRow("register") << true << 200 << signedIn << QString() << u"r2"_s;
        QTest::newRow("register: 401 without text") << true << 401 << QByteArray() << u"注册失败"_s << u"old-refresh"_s;
    }
    void signIn()
    {
        QFETCH(bool, registering);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(QString, failure);
        QFETCH(QString, storedRefresh);
        Fixture f(true, true);
        f.server.respond(registering ? u"/api/auth/register"_s : u"/api/auth/login"_s, { status, reply });
        f.server.respond(refreshPath, { 200, R"({"app_session_id":"from-refresh"})" });

        const auto error = failureOf(registering ? f.auth.registerAccount(u"qi"_s, u"pw"_s, std::nullopt, u"q@x.org"_s, std::nullopt)
                                                 : f.auth.login(u"qi"_s, u"pw"_s));

        QCOMPARE(f.server.requests().size(), 1);
        QJsonObject body { { u"username"_s, u"qi"_s }, { u"password"_s, u"pw"_s } };
        if (registering)
            body.insert(u"email"_s, u"q@x.org"_s);
        QCOMPARE(json::parse(f.server.requests()[0].body), QJsonValue(body));
        QCOMPARE(f.text(u"refresh_token"_s), storedRefresh);
        QCOMPARE(error ? error->description() : QString(), failure);
        if (error)
            QCOMPARE(error->kind(), Kind::ServerError);
        QCOMPARE(f.text(u"auth_token"_s), failure.isEmpty() ? u"a2"_s : u"old-access"_s);
        QCOMPARE(f.cachedUserId(), failure.isEmpty() ? 7 : 1);
        if (failure.isEmpty())
            QCOMPARE(f.keychain.getCachedUser()->role, u"admin"_s);
    }

    void meKeepsTheTokens_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("fails");
        QTest::newRow("user; tokens in the reply ignored") << QByteArray(R"({"app_session_id":"sneaky","refresh_token":"r9","user":)" + user7 + "}") << false;
        QTest::newRow("no user") << QByteArray(R"({"app_session_id":"sneaky"})") << true;
    }
    void meKeepsTheTokens()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, fails);
        Fixture f(true, true);
        f.server.respond(u"/api/auth/me"_s, { 200, reply });
        const auto error = failureOf(f.auth.me());
        QCOMPARE(error ? int(error->kind()) : -1, fails ? int(Kind::Unauthorized) : -1);
        QCOMPARE(f.cachedUserId(), fails ? 1 : 7);
        QCOMPARE(f.text(u"auth_token"_s), u"old-access"_s);
        QCOMPARE(f.text(u"refresh_token"_s), u"old-refresh"_s);
    }

    void logout_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("accepted") << 200;
        QTest::newRow("server error") << 500;
        QTest::newRow("refused, refresh refused too") << 401;
    }
    void logout()
    {
        QFETCH(int, status);
        Fixture f(true, true);
        f.server.respond(u"/api/auth/logout"_s, { status, "{}" });
        f.server.respond(refreshPath, { 401, R"({"error":"revoked"})" });
        testsupport::runTask(f.auth.logout());

        for (const QString& key : { u"auth_token"_s, u"refresh_token"_s, u"cached_user"_s })
            QVERIFY2(!f.keychain.load(key), qPrintable(key));
        QCOMPARE(f.text(u"device_unique_id"_s), u"mac-device"_s);
        // The sign-out request itself still carries the token it ends.
        const auto sent = f.server.requestsTo(u"/api/auth/logout"_s);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].header("Authorization"), QByteArray("Bearer old-access"));
        QVERIFY(!f.api.isRefreshing());
    }

    // A keychain that cannot be read (a locked keyring) is no sign-out: nothing goes
    // out without its token, no refresh is tried, and the items stay.
    void unreadableKeychainIsNotASignOut_data()
    {
        QTest::addColumn<QString>("unreadable");
        QTest::addColumn<int>("requests");
        QTest::newRow("access token") << u"auth_token"_s << 0;
        QTest::newRow("refresh token") << u"refresh_token"_s << 1;
    }
    void unreadableKeychainIsNotASignOut()
    {
        QFETCH(QString, unreadable);
        QFETCH(int, requests);
        Fixture f(true, true);
        auto& store = static_cast<MemorySecretStore&>(f.keychain.store());
        store.setUnreadable(unreadable);
        f.server.respond(u"/api/auth/me"_s, { 401, "{}" });

        const auto error = failureOf(f.auth.me());
        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::KeychainUnavailable);
        QCOMPARE(f.server.requests().size(), requests);
        QVERIFY(!f.api.isRefreshing());

        store.setUnreadable({});
        QCOMPARE(f.text(u"refresh_token"_s), u"old-refresh"_s);
        QCOMPARE(f.cachedUserId(), qint64(1));
    }
};

QTEST_GUILESS_MAIN(TestApi)
#include "tst_api.moc"
