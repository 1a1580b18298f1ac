// The API client against a recording server: request shapes, status judgement, reply
// unwrapping, refresh-and-retry, upload, and the token lifecycle of the auth service.

#include "RoundTrip.h"
#include "RecordingHttpServer.h"
#include "RefusingPort.h"
#include "TaskRunner.h"
#include "models/Json.h"
#include "network/RequestLanguage.h"
#include "network/APIClient.h"
#include "network/APIError.h"
#include "network/AuthService.h"
#include "network/KeychainService.h"
#include "network/LoginSession.h"
#include "network/MemorySecretStore.h"
#include "network/NetworkConfig.h"
#include "network/RefreshRequest.h"
#include "network/RefreshResponse.h"
#include "network/UploadRecords.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"

#include <QScopeGuard>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using Kind = APIError::Kind;

namespace {

template <typename T> QJsonValue readAndWritten(const QByteArray& text) { return json::encode(json::decode<T>(text)); }

const QString vip = u"/api/trpc/vip.status"_s;
const QString refreshPath = u"/api/auth/refresh"_s;
const QByteArray user7 = R"({"id":7,"openId":"o7","name":"七","role":"admin"})";
// Outside the test class: Qt 6.4's moc reads "//" inside a string of the class as
// a comment, and a raw string with an odd number of quotes puts it out of step.
const QByteArray presignedElsewhere = "{\"fileKey\":\"k1\",\"uploadUrl\":\"http://elsewhere/put\"}";
const QByteArray newTokens = R"({"app_session_id":"new-access","refresh_token":"new-refresh"})";

struct Fixture {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    APIClient api { server.baseUrl(), keychain };
    AuthService auth { api, keychain };

    // signedIn: an account's items stored, and 401s go through the auth service's refresh.
    explicit Fixture(bool signedIn = false)
    {
        if (!signedIn)
            return;
        api.setTokenRefresher([this] { return auth.refreshToken(); });
        // Into the store itself, as a previous run left them: the keychain has read nothing yet.
        SecretStore& store = keychain.store();
        store.write(u"auth_token"_s, "old-access");
        store.write(u"refresh_token"_s, "old-refresh");
        store.write(u"cached_user"_s, R"({"id":1,"openId":"o1","name":"one"})");
        store.write(u"device_unique_id"_s, "mac-device");
    }
    QString text(const QString& key) const { return keychain.loadText(key).value_or(u"-"_s); }
    qint64 userId() const { return keychain.getCachedUser().value_or(User {}).id; }
};

template <typename T> std::optional<APIError> failureOf(QCoro::Task<T> task, int timeoutMs = 15000)
{
    try {
        testsupport::runTask(std::move(task), timeoutMs);
    } catch (const APIError& error) {
        return error;
    }
    return std::nullopt;
}

// The reply value as JSON text, or "error".
template <typename R> QString outcome(QCoro::Task<R> task)
{
    try {
        return QString::fromUtf8(json::serialize(json::encode(testsupport::runTask(std::move(task)))));
    } catch (const APIError&) {
        return u"error"_s;
    }
}

int kindOf(const std::optional<APIError>& error) { return error ? int(error->kind()) : -1; }
QByteArray envelope(const QByteArray& json) { return R"({"result":{"data":{"json":)" + json + "}}}"; }
QJsonValue wrapped(const QJsonObject& input) { return QJsonObject { { u"json"_s, input } }; }

struct Search {
    QString keyword;
    void write(json::Writer& writer) const { writer.required("keyword"_L1, keyword); }
};

} // namespace

class TestApi : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The records of renewing, of the signed-in devices and of uploads, every field with
    // a value of its own: each one read is written back under its own key.
    void recordsRoundTrip_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("refresh request") << 0 << QByteArray(R"({"refreshToken":"r"})");
        QTest::newRow("refresh response") << 1 << QByteArray(R"({"app_session_id":"t","refresh_token":"r","error":"e","expiresIn":60})");
        QTest::newRow("login session") << 2 << QByteArray(R"({"id":1,"deviceName":"d","platform":"p","ip":"i","lastActiveAt":"a",
            "isCurrent":true,"createdAt":"c"})");
        QTest::newRow("presigned input") << 3 << QByteArray(R"({"fileName":"a.png","fileType":"image/png","fileSize":12})");
        QTest::newRow("presigned response") << 4 << QByteArray(R"({"fileKey":"k","uploadUrl":"u"})");
        QTest::newRow("complete input") << 5 << QByteArray(R"({"fileKey":"k","fileBuffer":"YQ==","contentType":"image/png"})");
        QTest::newRow("complete response") << 6 << QByteArray(R"({"url":"u"})");
    }
    void recordsRoundTrip()
    {
        QFETCH(int, record);
        QFETCH(QByteArray, text);
        using ReadAndWritten = QJsonValue (*)(const QByteArray&);
        const ReadAndWritten records[] = { readAndWritten<RefreshRequest>, readAndWritten<RefreshResponse>, readAndWritten<LoginSession>,
            readAndWritten<PresignedInput>, readAndWritten<PresignedResponse>, readAndWritten<CompleteInput>,
            readAndWritten<CompleteResponse> };
        QCOMPARE(records[record](text), json::parse(text));
    }

    // The server's addresses come from the environment, trimmed, the API one without a
    // closing slash; without a value, the local server's.
    void addressesFromTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("api"); // null: not set
        QTest::addColumn<QByteArray>("channel");
        QTest::addColumn<QString>("apiUrl");
        QTest::addColumn<QString>("channelUrl");
        QTest::newRow("not set") << QByteArray() << QByteArray() << u"http://127.0.0.1:8787"_s << u"ws://127.0.0.1:8787/ws"_s;
        QTest::newRow("blank") << QByteArray(" ") << QByteArray("\t") << u"http://127.0.0.1:8787"_s << u"ws://127.0.0.1:8787/ws"_s;
        QTest::newRow("given") << QByteArray(" https://chat.example/base ") << QByteArray("wss://chat.example/ws ")
                               << u"https://chat.example/base"_s << u"wss://chat.example/ws"_s;
        QTest::newRow("closing slashes") << QByteArray("http://h:1///") << QByteArray("ws://h:1/ws/") << u"http://h:1"_s
                                         << u"ws://h:1/ws/"_s;
    }
    void addressesFromTheEnvironment()
    {
        QFETCH(QByteArray, api);
        QFETCH(QByteArray, channel);
        const QByteArray apiBefore = qgetenv("MORVANE_API_URL");
        const QByteArray channelBefore = qgetenv("MORVANE_WS_URL");
        const bool apiWasSet = qEnvironmentVariableIsSet("MORVANE_API_URL");
        const bool channelWasSet = qEnvironmentVariableIsSet("MORVANE_WS_URL");
        const auto restore = qScopeGuard([&] {
            apiWasSet ? qputenv("MORVANE_API_URL", apiBefore) : qunsetenv("MORVANE_API_URL");
            channelWasSet ? qputenv("MORVANE_WS_URL", channelBefore) : qunsetenv("MORVANE_WS_URL");
        });
        api.isNull() ? qunsetenv("MORVANE_API_URL") : qputenv("MORVANE_API_URL", api);
        channel.isNull() ? qunsetenv("MORVANE_WS_URL") : qputenv("MORVANE_WS_URL", channel);
        QTEST(NetworkConfig::apiBaseUrl(), "apiUrl");
        QTEST(NetworkConfig::webSocketUrl(), "channelUrl");
    }

    void statusJudgement_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("description");
        QTest::newRow("200 empty") << 200 << QByteArray() << u"数据解析错误"_s;
        QTest::newRow("401 with text") << 401 << QByteArray(R"({"error":"expired"})") << u"请先登录"_s;
        QTest::newRow("404 text") << 404 << QByteArray(R"({"error":"没有这个用户"})") << u"没有这个用户"_s;
        QTest::newRow("400 procedure") << 400 << QByteArray(R"({"error":{"json":{"message":"bad","code":-32600}}})") << u"bad"_s;
        QTest::newRow("409 empty text") << 409 << QByteArray(R"({"error":""})") << u""_s;
        QTest::newRow("500 not JSON") << 500 << QByteArray("<html>") << u"HTTP错误: 500"_s;
        QTest::newRow("500 null error") << 500 << QByteArray(R"({"error":null})") << u"HTTP错误: 500"_s;
        QTest::newRow("403 no message") << 403 << QByteArray(R"({"error":{"json":{}}})") << u"HTTP错误: 403"_s;
        QTest::newRow("302 not followed") << 302 << QByteArray() << u"HTTP错误: 302"_s;
    }
    void statusJudgement()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, description);
        Fixture f;
        f.server.respond(u"/api/x"_s, { status, body, { { "Location", "http://127.0.0.1:1/" } } });
        const auto error = failureOf(f.api.request<EmptyResponse>("GET", u"/api/x"_s));
        QCOMPARE(kindOf(error), int(status == 200 ? Kind::DecodingError : status == 401 ? Kind::Unauthorized : Kind::HttpError));
        QCOMPARE(error->description(), description);
        // Only a reply that asks for the second factor says so.
        QVERIFY(!error->mfaRequired());
    }

    // The server answers in the interface language it is told on every request.
    void acceptLanguage_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::newRow("zh-Hans") << QByteArray("zh-Hans");
        QTest::newRow("vi") << QByteArray("vi");
    }
    void acceptLanguage()
    {
        QFETCH(QByteArray, language);
        RequestLanguage::set(language);
        const auto reset = qScopeGuard([] { RequestLanguage::set({}); });
        Fixture f(true);
        f.server.respond(u"/api/x"_s, { 200, "{}" });
        f.server.respond(u"/api/trpc/p"_s, { 200, envelope("1") });
        QVERIFY(!failureOf(f.api.request<EmptyResponse>("POST", u"/api/x"_s)));
        QCOMPARE(testsupport::runTask(f.api.query<int>(u"p"_s)), 1);
        QCOMPARE(f.server.requests().size(), 2);
        for (const RecordingHttpServer::Recorded& request : f.server.requests())
            QCOMPARE(request.header("Accept-Language"), language);
    }

    // A redirect would carry the bearer token to wherever it points.
    void redirectIsNotFollowed_data()
    {
        QTest::addColumn<int>("status");
        for (int status : { 301, 302, 303, 307, 308 })
            QTest::addRow("%d", status) << status;
    }
    void redirectIsNotFollowed()
    {
        QFETCH(int, status);
        Fixture f(true);
        RecordingHttpServer elsewhere;
        elsewhere.respond(u"/steal"_s, { 200, "{}" });
        f.server.respond(u"/api/x"_s, { status, {}, { { "Location", (elsewhere.baseUrl() + u"/steal"_s).toUtf8() } } });
        const auto error = failureOf(f.api.request<EmptyResponse>("GET", u"/api/x"_s));
        QCOMPARE(kindOf(error), int(Kind::HttpError));
        QCOMPARE(error->description(), u"HTTP错误: %1"_s.arg(status));
        QCOMPARE(f.server.requests().value(0).header("Authorization"), QByteArray("Bearer old-access"));
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QVERIFY(elsewhere.requests().isEmpty());
    }

    // The barrier of "nothing was sent" checks covers every connection the client has
    // open: a request with a long body, still streaming on one connection while the
    // barrier's own is answered on another, has been recorded once it returns.
    void roundTripCoversEveryConnection()
    {
        Fixture f;
        f.server.respond(u"/api/long"_s, { 200, "{}" });
        auto sending = f.api.request<EmptyResponse>("POST", u"/api/long"_s, QJsonValue(QString(1 << 20, u'x')));
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(u"/api/long"_s).size(), 1);
        QVERIFY(!failureOf(std::move(sending)));
    }

    void transportAndAddressFailures()
    {
        const testsupport::RefusingPort down;
        QVERIFY(down.port() != 0);
        Fixture f;
        const auto transport = failureOf(APIClient(down.url(), f.keychain).request<EmptyResponse>("GET", u"/api/auth/me"_s));
        QCOMPARE(kindOf(transport), int(Kind::Transport));
        QVERIFY(!transport->description().isEmpty()); // the platform's own text, not wrapped
        QCOMPARE(kindOf(failureOf(APIClient(u"file:///etc"_s, f.keychain).request<EmptyResponse>("GET", u"/passwd"_s))), int(Kind::InvalidURL));
        QCOMPARE(failureOf(f.api.request<EmptyResponse>("GET", u"/a b"_s))->description(), u"无效的请求地址"_s);
        QVERIFY(f.server.requests().isEmpty());
    }

    // What a person reads for the usual transport failures: the interface
    // language's text, and a time-out says so (Qt calls it "Operation canceled").
    void transportFailuresReadable_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("networkError");
        QTest::addColumn<QString>("key");
        QTest::newRow("refused") << u"refused"_s << int(QNetworkReply::ConnectionRefusedError) << u"common.error_connection_refused"_s;
        QTest::newRow("unknown host") << u"unknown host"_s << int(QNetworkReply::HostNotFoundError) << u"common.error_host_not_found"_s;
        QTest::newRow("silent server") << u"silent"_s << int(QNetworkReply::TimeoutError) << u"common.error_timeout"_s;
    }
    void transportFailuresReadable()
    {
        QFETCH(QString, failure);
        QFETCH(int, networkError);
        QFETCH(QString, key);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QString base = u"http://127.0.0.1:%1"_s.arg(server.serverPort());
        const testsupport::RefusingPort refusing;
        if (failure == u"refused")
            base = refusing.url();
        else if (failure == u"unknown host")
            base = u"http://morvane.invalid"_s;
        // The silent server accepts the connection and never answers.
        Fixture f;
        APIClient api(base, f.keychain);
        api.setRequestTimeout(300);
        const auto error = failureOf(api.request<EmptyResponse>("GET", u"/api/auth/me"_s));
        QCOMPARE(kindOf(error), int(Kind::Transport));
        QCOMPARE(error->code(), networkError);
        const QString text = LocalizationManager::shared().localizedString(key);
        QVERIFY(text != key);
        QCOMPARE(errorDescription(*error), text);
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
        QVERIFY(!request.rawQuery.contains('+'));
        // The encoder's text inside {"json": ...}, with no second escaping.
        const QString inner = QString::fromUtf8(json::serialize(QJsonObject { { u"keyword"_s, keyword } }));
        QCOMPARE(request.queryValue(u"input"_s), u"{\"json\":"_s + inner + u'}');
    }

    void procedureRequestShapes()
    {
        Fixture f;
        for (const char* name : { "a.list", "a.setup", "a.revoke" })
            f.server.respond(u"/api/trpc/"_s + QLatin1StringView(name), { 200, envelope("null") });
        testsupport::runTask(f.api.query<std::optional<qint64>>(u"a.list"_s));
        testsupport::runTask(f.api.mutation(u"a.setup"_s));
        testsupport::runTask(f.api.mutation(u"a.revoke"_s, QJsonObject { { u"messageId"_s, 42 } }));
        const auto& requests = f.server.requests();
        QCOMPARE(requests.size(), 3);
        QVERIFY(!requests[0].hasQuery); // not even a bare "?"
        QVERIFY(!requests[0].hasHeader("Authorization")); // no token stored
        QCOMPARE(requests[0].header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(requests[1].method, QByteArray("POST"));
        QVERIFY(requests[1].body.isEmpty()); // neither {"json":null} nor {}
        QCOMPARE(json::parse(requests[2].body), wrapped({ { u"messageId"_s, 42 } }));
    }

    // Read as a list, an object, an optional integer and nothing at all.
    void replyUnwrapping_data()
    {
        QTest::addColumn<QByteArray>("data"); // "-": no body at all
        QTest::addColumn<QString>("outcomes");
        QTest::newRow("wrapped list") << QByteArray(R"({"json":[1,2]})") << "[1,2] error error {}";
        QTest::newRow("bare list") << QByteArray("[]") << "[] error error {}";
        QTest::newRow("wrapped int") << QByteArray(R"({"json":7})") << "error error 7 {}";
        QTest::newRow("bare int") << QByteArray("7") << "error error 7 {}";
        // With "json" present only its value counts, even where "data" itself would read.
        QTest::newRow("wrapped boolean") << QByteArray(R"({"json":true})") << "error error error {}";
        QTest::newRow("bare object") << QByteArray(R"({"a":1})") << R"(error {"a":1} error {})";
        QTest::newRow("json null") << QByteArray(R"({"json":null})") << "error error null {}";
        QTest::newRow("data null") << QByteArray("null") << "error error null {}";
        QTest::newRow("no data") << QByteArray() << "error error error error";
        // A 2xx without a body says a mutation happened; a query's value it does not give.
        QTest::newRow("no body") << QByteArray("-") << "error error error {}";
    }
    void replyUnwrapping()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, outcomes);
        Fixture f;
        const QByteArray body = data == "-" ? QByteArray() : data.isEmpty() ? R"({"result":{}})" : R"({"result":{"data":)" + data + "}}";
        f.server.respond(u"/api/trpc/p.q"_s, { 200, body });
        const QString name = u"p.q"_s;
        const QString optionalInt = outcome([](APIClient& api, QString procedure) -> QCoro::Task<QJsonValue> {
            const std::optional<qint64> value = co_await api.query<std::optional<qint64>>(procedure);
            co_return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
        }(f.api, name));
        QCOMPARE(QStringList({ outcome(f.api.query<QList<qint64>>(name)), outcome(f.api.query<QJsonObject>(name)), optionalInt,
                               outcome(f.api.mutation(name)) }).join(u' '),
                 outcomes);
    }

    void retryAfterRefresh_data()
    {
        QTest::addColumn<int>("retryStatus");
        QTest::addColumn<QByteArray>("retryBody");
        QTest::addColumn<bool>("cachedUser");
        QTest::addColumn<QByteArray>("refreshReply");
        QTest::addColumn<int>("kind"); // -1: succeeds
        const QByteArray accessOnly = R"({"app_session_id":"new-access"})";
        QTest::newRow("retry succeeds") << 200 << envelope("5") << true << accessOnly << -1;
        QTest::newRow("no cached user, rotated") << 200 << envelope("5") << false << newTokens << -1;
        QTest::newRow("second 401") << 401 << QByteArray("{}") << true << newTokens << int(Kind::Unauthorized);
        QTest::newRow("retry 500 stays itself") << 500 << QByteArray(R"({"error":"boom"})") << true << accessOnly << int(Kind::HttpError);
    }
    void retryAfterRefresh()
    {
        QFETCH(int, retryStatus);
        QFETCH(QByteArray, retryBody);
        QFETCH(bool, cachedUser);
        QFETCH(QByteArray, refreshReply);
        QFETCH(int, kind);
        Fixture f(true);
        if (!cachedUser)
            f.keychain.remove(u"cached_user"_s);
        f.server.respondOnce(vip, { 401, R"({"error":"expired"})" });
        f.server.respond(vip, { retryStatus, retryBody });
        f.server.respond(refreshPath, { 200, refreshReply });
        QSignalSpy reconnects(&f.api, &APIClient::sessionRefreshed);

        QCOMPARE(kindOf(failureOf(f.api.query<qint64>(u"vip.status"_s))), kind);
        QVERIFY(!f.api.isRefreshing());
        const auto calls = f.server.requestsTo(vip);
        QCOMPARE(calls.size(), 2); // one retry, never more
        QCOMPARE(calls[1].header("Authorization"), QByteArray("Bearer new-access"));
        QCOMPARE(calls[1].rawQuery, calls[0].rawQuery);
        const auto refreshes = f.server.requestsTo(refreshPath);
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(json::parse(refreshes[0].body), QJsonValue(QJsonObject { { u"refreshToken"_s, u"old-refresh"_s } }));
        QCOMPARE(f.text(u"auth_token"_s), u"new-access"_s);
        QCOMPARE(f.text(u"refresh_token"_s), refreshReply == newTokens ? u"new-refresh"_s : u"old-refresh"_s);
        QCOMPARE(reconnects.size(), cachedUser ? 1 : 0);
        if (cachedUser)
            QCOMPARE(reconnects[0][0].toLongLong(), 1);
    }

    void failedRefreshMeansUnauthorized_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("refreshTokenStored");
        QTest::addColumn<QByteArray>("refreshReply"); // status, space, body
        QTest::addColumn<int>("refreshRequests");
        QTest::addColumn<int>("ending"); // why the session ended; -1: it did not
        const int expired = int(SessionEnd::Expired);
        QTest::newRow("no refresh token") << 401 << false << QByteArray("200 ") << 0 << expired;
        // The server refuses an expired refresh token and one of an ended session alike.
        QTest::newRow("refresh refused") << 401 << true << QByteArray(R"(401 {"error":"revoked"})") << 1 << expired;
        QTest::newRow("refresh refused, no text") << 401 << true << QByteArray("401 {}") << 1 << expired;
        QTest::newRow("refresh answers an error") << 401 << true << QByteArray(R"(200 {"error":"nope"})") << 1
                                                  << int(SessionEnd::SignedOutElsewhere);
        QTest::newRow("403 is not refreshed") << 403 << true << QByteArray("200 " + newTokens) << 0 << -1;
    }
    void failedRefreshMeansUnauthorized()
    {
        QFETCH(int, status);
        QFETCH(bool, refreshTokenStored);
        QFETCH(QByteArray, refreshReply);
        QFETCH(int, refreshRequests);
        QFETCH(int, ending);
        Fixture f(true);
        if (!refreshTokenStored)
            f.keychain.remove(u"refresh_token"_s);
        f.server.respond(vip, { status, R"({"error":{"json":{"message":"禁止"}}})" });
        f.server.respond(refreshPath, { refreshReply.left(3).toInt(), refreshReply.mid(4) });

        QSignalSpy forbidden(&f.api, &APIClient::requestForbidden);
        QSignalSpy ended(&f.api, &APIClient::sessionEnded);
        const auto error = failureOf(f.api.query<qint64>(u"vip.status"_s));
        QCOMPARE(kindOf(error), int(status == 401 ? Kind::Unauthorized : Kind::HttpError));
        // Only a 403 says what the account may do has changed.
        QCOMPARE(forbidden.size(), status == 403 ? 1 : 0);
        QCOMPARE(ended.size(), ending < 0 ? 0 : 1);
        if (ending >= 0)
            QCOMPARE(int(ended[0][0].value<SessionEnd>()), ending);
        QCOMPARE(error->description(), status == 401 ? u"请先登录"_s : u"禁止"_s);
        QVERIFY(!f.api.isRefreshing());
        QCOMPARE(f.server.requestsTo(vip).size(), 1);
        QCOMPARE(f.server.requestsTo(refreshPath).size(), refreshRequests);
        QCOMPARE(f.text(u"auth_token"_s), u"old-access"_s);
        QCOMPARE(f.text(u"refresh_token"_s), refreshTokenStored ? u"old-refresh"_s : u"-"_s);
    }

    // A refresh that gets no verdict (the server fails) ends nothing: the call fails as
    // a transport failure, the tokens stay, and the log says why the session was kept.
    void refreshWithoutAnswerKeepsTheSession()
    {
        Fixture f(true);
        f.server.respond(vip, { 401, "{}" });
        f.server.respond(refreshPath, { 500, R"({"error":"down"})" });
        QSignalSpy ended(&f.api, &APIClient::sessionEnded);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^\\[Auth\\] token refresh got no answer, keeping the session: .+"_s));
        const auto error = failureOf(f.api.query<qint64>(u"vip.status"_s));
        QCOMPARE(kindOf(error), int(Kind::Transport));
        QCOMPARE(ended.size(), 0);
        QCOMPARE(f.text(u"auth_token"_s), u"old-access"_s);
        QCOMPARE(f.text(u"refresh_token"_s), u"old-refresh"_s);
    }

    // Two calls refused together (at start-up: the session check and the user
    // refresh) share one refresh and both repeat; nobody is signed out.
    // What a failed refresh says when the auth service is asked directly. The
    // server's 401 stays unauthorized, whatever its body says: the session end
    // reads it as an expired session.
    void refreshFailureTexts_data()
    {
        QTest::addColumn<QByteArray>("reply"); // status, space, body
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("description");
        const int refused = int(Kind::Unauthorized);
        QTest::newRow("no token, no reason") << QByteArray("200 {}") << int(Kind::ServerError) << u"Token refresh failed"_s;
        QTest::newRow("the server's reason") << QByteArray(R"(200 {"error":"nope"})") << int(Kind::ServerError) << u"nope"_s;
        QTest::newRow("refused with a reason") << QByteArray(R"(401 {"error":"revoked"})") << refused << u"请先登录"_s;
        QTest::newRow("refused without one") << QByteArray("401 {}") << refused << u"请先登录"_s;
    }
    void refreshFailureTexts()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, kind);
        QFETCH(QString, description);
        Fixture f(true);
        f.server.respond(refreshPath, { reply.left(3).toInt(), reply.mid(4) });
        const auto error = failureOf(f.auth.refreshToken());
        QVERIFY(error);
        QCOMPARE(int(error->kind()), kind);
        QCOMPARE(error->description(), description);
        QVERIFY(!error->mfaRequired());
        QCOMPARE(f.text(u"auth_token"_s), u"old-access"_s);
    }

    void unauthorizedDuringRefreshWaitsForIt_data()
    {
        QTest::addColumn<int>("refreshStatus");
        QTest::addColumn<QByteArray>("otherRepeat"); // status, space, body of the waiting call's repeat
        QTest::addColumn<int>("otherKind"); // -1: succeeds
        QTest::addColumn<int>("otherRequests");
        QTest::newRow("both repeat") << 200 << QByteArray("200 " + envelope("[3]")) << -1 << 2;
        QTest::newRow("repeat refused again") << 200 << QByteArray("401 {}") << int(Kind::Unauthorized) << 2;
        QTest::newRow("repeat fails as itself") << 200 << QByteArray(R"(500 {"error":"boom"})") << int(Kind::HttpError) << 2;
        QTest::newRow("refresh refused") << 401 << QByteArray("200 " + envelope("[3]")) << int(Kind::Unauthorized) << 1;
    }
    void unauthorizedDuringRefreshWaitsForIt()
    {
        QFETCH(int, refreshStatus);
        QFETCH(QByteArray, otherRepeat);
        QFETCH(int, otherKind);
        QFETCH(int, otherRequests);
        Fixture f(true);
        const QString other = u"/api/trpc/vip.levels"_s;
        f.server.respondOnce(vip, { 401, "{}" });
        f.server.respond(vip, { 200, envelope("1") });
        f.server.respondOnce(other, { 401, "{}" });
        f.server.respond(other, { otherRepeat.left(3).toInt(), otherRepeat.mid(4) });
        f.server.respond(refreshPath, { refreshStatus, refreshStatus == 200 ? newTokens : QByteArray(R"({"error":"revoked"})"), {}, true });

        // The first call meets 401 and starts a refresh, which the server holds.
        auto first = f.api.query<qint64>(u"vip.status"_s);
        QTRY_VERIFY(!f.server.requestsTo(refreshPath).isEmpty());
        QVERIFY(f.api.isRefreshing());
        // A second call refused meanwhile waits for that refresh instead of failing.
        auto second = f.api.query<QList<qint64>>(u"vip.levels"_s);
        QTRY_COMPARE(f.server.requestsTo(other).size(), 1);
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(f.server.requestsTo(other).size(), 1);
        QVERIFY(f.api.isRefreshing());

        f.server.release(refreshPath);
        const auto secondFailure = failureOf(std::move(second));
        const auto firstFailure = failureOf(std::move(first));
        QCOMPARE(kindOf(secondFailure), otherKind);
        QCOMPARE(kindOf(firstFailure), refreshStatus == 200 ? -1 : int(Kind::Unauthorized));
        // A refused session asks for no second factor: the user signs in anew.
        QVERIFY(!(secondFailure && secondFailure->mfaRequired()));
        QVERIFY(!(firstFailure && firstFailure->mfaRequired()));
        QVERIFY(!f.api.isRefreshing());
        QCOMPARE(f.server.requestsTo(refreshPath).size(), 1);
        const auto calls = f.server.requestsTo(other);
        QCOMPARE(calls.size(), otherRequests);
        if (otherRequests == 2)
            QCOMPARE(calls[1].header("Authorization"), QByteArray("Bearer new-access"));
        QCOMPARE(f.text(u"auth_token"_s), refreshStatus == 200 ? u"new-access"_s : u"old-access"_s);
    }

    // An answer for a session that has ended (someone signed in anew without signing
    // out, or out) decides nothing: the call fails as cancelled, a 403 says nothing of
    // what the new account may do, a 401 refreshes nothing, and a refresh the old
    // session started and the server refused ends nothing.
    void answersOfAnEndedSessionDecideNothing_data()
    {
        QTest::addColumn<QString>("held"); // what the server holds while the session changes
        QTest::addColumn<int>("status");   // of that answer
        QTest::addColumn<bool>("signInAgain"); // else: a sign-out
        QTest::newRow("403 after a sign-in") << u"call"_s << 403 << true;
        QTest::newRow("401 after a sign-in") << u"call"_s << 401 << true;
        QTest::newRow("401 after a sign-out") << u"call"_s << 401 << false;
        QTest::newRow("refresh refused after a sign-in") << u"refresh"_s << 401 << true;
        QTest::newRow("refresh granted after a sign-out") << u"refresh"_s << 200 << false;
    }
    void answersOfAnEndedSessionDecideNothing()
    {
        QFETCH(QString, held);
        QFETCH(int, status);
        QFETCH(bool, signInAgain);
        Fixture f(true);
        const QByteArray body = status == 200 ? newTokens : QByteArray(R"({"error":"no"})");
        if (held == u"call") {
            f.server.respond(vip, { status, body, {}, true });
        } else {
            f.server.respond(vip, { 401, "{}" });
            f.server.respond(refreshPath, { status, body, {}, true });
        }
        f.server.respond(u"/api/auth/login"_s, { 200, R"({"app_session_id":"a2","refresh_token":"r2","user":)" + user7 + '}' });
        QSignalSpy forbidden(&f.api, &APIClient::requestForbidden);
        QSignalSpy ended(&f.api, &APIClient::sessionEnded);

        auto call = f.api.query<qint64>(u"vip.status"_s);
        const QString heldPath = held == u"call"_s ? vip : refreshPath;
        QTRY_COMPARE(f.server.heldCount(heldPath), 1);
        if (signInAgain)
            testsupport::runTask(f.auth.login(u"qi"_s, u"pw"_s, std::nullopt));
        else
            f.auth.forgetSession();
        f.server.release(heldPath);

        const auto error = failureOf(std::move(call));
        QCOMPARE(error ? error->description() : QString(), APIError::cancelled().description());
        QVERIFY(testsupport::roundTrip(f.api, f.server));
        QCOMPARE(forbidden.size(), 0);
        QCOMPARE(ended.size(), 0);
        QCOMPARE(f.server.requestsTo(refreshPath).size(), held == u"refresh" ? 1 : 0);
        QCOMPARE(f.text(u"auth_token"_s), signInAgain ? u"a2"_s : u"-"_s);
        QCOMPARE(f.text(u"refresh_token"_s), signInAgain ? u"r2"_s : u"-"_s);
    }

    // A client that goes away ends the calls still waiting on it (for a reply, or for a
    // refresh) instead of leaving them suspended for good.
    void destroyedClientEndsItsCalls()
    {
        Fixture f(true);
        auto api = std::make_unique<APIClient>(f.server.baseUrl(), f.keychain);
        AuthService auth(*api, f.keychain);
        api->setTokenRefresher([&auth] { return auth.refreshToken(); });
        const QString other = u"/api/trpc/vip.levels"_s;
        f.server.respond(vip, { 401, "{}" });
        f.server.respond(other, { 401, "{}" });
        f.server.respond(refreshPath, { 200, newTokens, {}, true });
        f.server.respond(u"/api/x"_s, { 200, "{}", {}, true });

        auto refreshing = api->query<qint64>(u"vip.status"_s);
        QTRY_COMPARE(f.server.requestsTo(refreshPath).size(), 1);
        auto waiting = api->query<qint64>(u"vip.levels"_s);
        auto replyOut = api->request<EmptyResponse>("GET", u"/api/x"_s);
        QTRY_COMPARE(f.server.requestsTo(u"/api/x"_s).size(), 1);
        QTRY_COMPARE(f.server.requestsTo(other).size(), 1);
        api.reset();
        for (auto* task : { &refreshing, &waiting })
            QCOMPARE(kindOf(failureOf(std::move(*task), 2000)), int(Kind::Transport));
        QCOMPARE(kindOf(failureOf(std::move(replyOut), 2000)), int(Kind::Transport));
    }

    // A 401 that answers a token a finished refresh has already replaced repeats
    // with the new token; a second refresh would spend the new refresh token.
    void lateUnauthorizedRepeatsWithoutRefresh()
    {
        Fixture f(true);
        const QString other = u"/api/trpc/vip.levels"_s;
        f.server.respondOnce(other, { 401, "{}", {}, true });
        f.server.respond(other, { 200, envelope("[3]") });
        f.server.respondOnce(vip, { 401, "{}" });
        f.server.respond(vip, { 200, envelope("1") });
        f.server.respond(refreshPath, { 200, newTokens });

        auto late = f.api.query<QList<qint64>>(u"vip.levels"_s);
        QTRY_COMPARE(f.server.requestsTo(other).size(), 1);
        QCOMPARE(testsupport::runTask(f.api.query<qint64>(u"vip.status"_s)), qint64(1));
        f.server.release(other);
        QCOMPARE(testsupport::runTask(std::move(late)), QList<qint64>({ 3 }));
        QCOMPARE(f.server.requestsTo(refreshPath).size(), 1);
        QCOMPARE(f.server.requestsTo(other).value(1).header("Authorization"), QByteArray("Bearer new-access"));
    }

    void upload_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("presigned");
        QTest::addColumn<QByteArray>("url"); // "-": no completion reply
        QTest::addColumn<QString>("expected"); // empty: decoding error
        QTest::newRow("relative to server") << QByteArray("\x00\x01\xff png", 7) << presignedElsewhere
                                            << QByteArray("/uploads/k1.png") << u"BASE/uploads/k1.png"_s;
        QTest::newRow("absolute address") << QByteArray("abc") << QByteArray(R"({"fileKey":"k1"})") << QByteArray("https://cdn.example.org/k1")
                                          << u"https://cdn.example.org/k1"_s;
        QTest::newRow("path without slash") << QByteArray("abc") << QByteArray(R"({"fileKey":"k1","uploadUrl":null})") << QByteArray("uploads/k1")
                                            << u"uploads/k1"_s;
        QTest::newRow("empty file") << QByteArray() << QByteArray(R"({"fileKey":"k1"})") << QByteArray("/u/e") << u"BASE/u/e"_s;
        QTest::newRow("empty url") << QByteArray("abc") << QByteArray(R"({"fileKey":"k1"})") << QByteArray() << QString();
        QTest::newRow("announcement without key") << QByteArray("abc") << QByteArray(R"({"uploadUrl":"x"})") << QByteArray("-") << QString();
    }
    void upload()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, presigned);
        QFETCH(QByteArray, url);
        QFETCH(QString, expected);
        Fixture f;
        f.server.respond(u"/api/trpc/upload.getPresignedUrl"_s, { 200, envelope(presigned) });
        f.server.respond(u"/api/trpc/upload.complete"_s, { 200, envelope("{\"url\":\"" + url + "\"}") });

        QString uploaded;
        const auto error = failureOf([&]() -> QCoro::Task<> { uploaded = co_await f.api.uploadFile(data, u"图 1.png"_s, u"image/png"_s); }());
        QCOMPARE(kindOf(error), expected.isEmpty() ? int(Kind::DecodingError) : -1);
        QCOMPARE(uploaded, QString(expected).replace(u"BASE"_s, f.server.baseUrl()));
        const auto& sent = f.server.requests(); // nothing goes to "uploadUrl"
        QCOMPARE(sent.size(), url == "-" ? 1 : 2);
        QCOMPARE(json::parse(sent[0].body), wrapped({ { u"fileName"_s, u"图 1.png"_s }, { u"fileType"_s, u"image/png"_s }, { u"fileSize"_s, data.size() } }));
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
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("failureKind"); // -1: signed in
        QTest::addColumn<QString>("failure"); // the server's reason; empty when it gave none
        QTest::addColumn<QString>("storedRefresh");
        const int serverError = int(Kind::ServerError);
        // A token said to live two seconds: its renewal is due within the test's patience.
        const QByteArray signedIn = R"({"app_session_id":"a2","refresh_token":"r2","expiresIn":2,"user":)" + user7 + '}';
        QTest::newRow("with refresh token") << false << 200 << signedIn << QString() << -1 << QString() << u"r2"_s;
        // The previous account's refresh token must not survive a sign-in that brings none.
        QTest::newRow("without refresh token") << false << 200 << QByteArray(R"({"app_session_id":"a2","refresh_token":null,"user":)" + user7 + "}")
                                               << QString() << -1 << QString() << u"-"_s;
        QTest::newRow("token and error, no user") << false << 200 << QByteArray(R"({"app_session_id":"a2","error":"账号已冻结"})")
                                                  << QString() << serverError << u"账号已冻结"_s << u"old-refresh"_s;
        QTest::newRow("empty reply") << false << 200 << QByteArray("{}") << QString() << serverError << QString() << u"old-refresh"_s;
        QTest::newRow("wrong password") << false << 401 << QByteArray(R"({"error":"用户名或密码错误"})") << QString() << serverError
                                        << u"用户名或密码错误"_s << u"old-refresh"_s;
        QTest::newRow("401 without text") << false << 401 << QByteArray() << QString() << serverError << QString() << u"old-refresh"_s;
        QTest::newRow("second factor asked for") << false << 401 << QByteArray(R"({"error":"Enter the code","mfaRequired":true})")
                                                 << QString() << int(Kind::TwoFactorRequired) << u"Enter the code"_s << u"old-refresh"_s;
        QTest::newRow("a marker that is not true") << false << 401 << QByteArray(R"({"error":"No","mfaRequired":"yes"})")
                                                   << QString() << serverError << u"No"_s << u"old-refresh"_s;
        QTest::newRow("with a code") << false << 200 << signedIn << u"123456"_s << -1 << QString() << u"r2"_s;
        QTest::newRow("register") << true << 200 << signedIn << QString() << -1 << QString() << u"r2"_s;
        QTest::newRow("register: 401 without text") << true << 401 << QByteArray() << QString() << serverError << QString() << u"old-refresh"_s;
    }
    void signIn()
    {
        QFETCH(bool, registering);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(QString, code);
        QFETCH(int, failureKind);
        QFETCH(QString, failure);
        QFETCH(QString, storedRefresh);
        Fixture f(true);
        f.server.respond(registering ? u"/api/auth/register"_s : u"/api/auth/login"_s, { status, reply });
        f.server.respond(refreshPath, { 200, newTokens });

        const std::optional<QString> sentCode = code.isEmpty() ? std::nullopt : std::optional(code);
        // Who signed in, and each renewal, are in the log a user sends with a fault report.
        if (failureKind == -1)
            QTest::ignoreMessage(QtInfoMsg, "[Auth] signed in as user 7");
        if (failureKind == -1 && reply.contains("\"expiresIn\""))
            QTest::ignoreMessage(QtInfoMsg, "[Auth] access token refreshed");
        const auto error = failureOf(registering ? f.auth.registerAccount(u"qi"_s, u"pw"_s, std::nullopt, u"q@x.org"_s, std::nullopt)
                                                 : f.auth.login(u"qi"_s, u"pw"_s, sentCode));
        QCOMPARE(f.server.requests().size(), 1);
        QJsonObject body { { u"username"_s, u"qi"_s }, { u"password"_s, u"pw"_s } };
        if (registering)
            body.insert(u"email"_s, u"q@x.org"_s);
        if (sentCode)
            body.insert(u"code"_s, *sentCode);
        QCOMPARE(json::parse(f.server.requests()[0].body), QJsonValue(body));
        QCOMPARE(kindOf(error), failureKind);
        QCOMPARE(error ? error->message().value_or(QString()) : QString(), failure);
        // Never an empty description: without the server's words, the failure is told plainly.
        if (error)
            QCOMPARE(error->description(), failure.isEmpty() ? u"出错了"_s : failure);
        const bool signedIn = failureKind == -1;
        QCOMPARE(f.text(u"refresh_token"_s), storedRefresh);
        QCOMPARE(f.text(u"auth_token"_s), signedIn ? u"a2"_s : u"old-access"_s);
        QCOMPARE(f.userId(), signedIn ? 7 : 1);
        // A new token whose lifetime is given is renewed before it lapses, with no
        // request refused first.
        if (signedIn && reply.contains("\"expiresIn\"")) {
            QTRY_COMPARE_WITH_TIMEOUT(f.text(u"auth_token"_s), u"new-access"_s, testsupport::kPatienceMs);
            QCOMPARE(f.server.requestsTo(refreshPath).size(), 1);
            QCOMPARE(f.server.requests().size(), 2);
        }
    }

    void meKeepsTheTokens()
    {
        for (const QByteArray& user : { QByteArray(",\"user\":" + user7), QByteArray() }) {
            Fixture f(true);
            f.server.respond(u"/api/auth/me"_s, { 200, R"({"app_session_id":"x","refresh_token":"r9")" + user + '}' });
            QCOMPARE(kindOf(failureOf(f.auth.me())), user.isEmpty() ? int(Kind::Unauthorized) : -1);
            QCOMPARE(f.userId(), user.isEmpty() ? 1 : 7);
            QCOMPARE(f.text(u"auth_token"_s) + f.text(u"refresh_token"_s), u"old-accessold-refresh"_s);
        }
    }

    // Whatever the server answers, even a 401 whose refresh is refused too.
    void logout()
    {
        for (int status : { 200, 500, 401 }) {
            Fixture f(true);
            f.server.respond(u"/api/auth/logout"_s, { status, "{}" });
            f.server.respond(refreshPath, { 401, R"({"error":"revoked"})" });
            if (status != 200)
                QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^\\[Auth\\] sign-out request failed: .+"_s));
            QTest::ignoreMessage(QtInfoMsg, "[Auth] signed out");
            testsupport::runTask(f.auth.logout());
            for (const QString& key : { u"auth_token"_s, u"refresh_token"_s, u"cached_user"_s })
                QVERIFY2(!f.keychain.load(key), qPrintable(key));
            QCOMPARE(f.text(u"device_unique_id"_s), u"mac-device"_s);
            // The sign-out request itself still carries the token it ends.
            QCOMPARE(f.server.requestsTo(u"/api/auth/logout"_s).value(0).header("Authorization"), QByteArray("Bearer old-access"));
            QVERIFY(!f.api.isRefreshing());
        }
    }

    // A renewal scheduled for the signed-out account's token never runs: it would find
    // no refresh token and tell the program that the session expired, after the fact.
    // (On a machine slow enough that the renewal ran before the sign-out, it was legitimate.)
    void signOutCancelsTheRenewal_data()
    {
        QTest::addColumn<bool>("askServer"); // else: the server ended the session itself
        QTest::newRow("sign-out") << true;
        QTest::newRow("session ended on the server") << false;
    }
    void signOutCancelsTheRenewal()
    {
        QFETCH(bool, askServer);
        Fixture f(true);
        f.server.respond(u"/api/auth/login"_s, { 200, R"({"app_session_id":"a2","refresh_token":"r2","expiresIn":2,"user":)" + user7 + '}' });
        f.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        f.server.respond(refreshPath, { 200, newTokens });
        QSignalSpy ended(&f.api, &APIClient::sessionEnded);
        testsupport::runTask(f.auth.login(u"qi"_s, u"pw"_s, std::nullopt));
        if (askServer)
            testsupport::runTask(f.auth.logout());
        else
            f.auth.forgetSession();

        // Started after the renewal's timer and due later: that one would have run first.
        QTimer later;
        later.setTimerType(Qt::PreciseTimer);
        later.setSingleShot(true);
        QSignalSpy passed(&later, &QTimer::timeout);
        later.start(2000);
        QVERIFY(passed.wait(testsupport::kPatienceMs));
        QCOMPARE(ended.size(), 0);
        QCOMPARE(f.text(u"auth_token"_s), u"-"_s);
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
        Fixture f(true);
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
        QCOMPARE(f.userId(), qint64(1));
    }
};

QTEST_GUILESS_MAIN(TestApi)
#include "tst_api.moc"
