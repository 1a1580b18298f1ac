#include "ApiTestSupport.h"

#include <QTcpServer>
#include <QTest>

using Kind = APIError::Kind;
Q_DECLARE_METATYPE(APIError::Kind)

namespace {

// Procedure inputs only write themselves.
struct Search {
    QString keyword;
    void write(json::Writer& writer) const { writer.required(QLatin1StringView("keyword"), keyword); }
};

// The reply value as JSON text, or the kind of failure.
template <typename R>
QString outcome(QCoro::Task<R> task)
{
    try {
        return QString::fromUtf8(json::serialize(json::encode(testsupport::runTask(std::move(task)))));
    } catch (const APIError& error) {
        return QStringLiteral("error %1").arg(int(error.kind()));
    }
}

} // namespace

class TestApiClient : public QObject {
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
        ApiFixture f;
        if (!storedToken.isEmpty())
            f.keychain.save(storedToken, QStringLiteral("auth_token"));
        f.server.respond(QStringLiteral("/api/auth/logout"), { 200, "{}" });
        f.server.respond(QStringLiteral("/api/auth/me"), { 200, "{}" });

        testsupport::runTask(f.api.request<EmptyResponse>("POST", QStringLiteral("/api/auth/logout")));
        testsupport::runTask(f.api.request<EmptyResponse>("GET", QStringLiteral("/api/auth/me")));

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
        QTest::newRow("200 empty") << 200 << QByteArray() << Kind::DecodingError << QStringLiteral("数据解析错误");
        QTest::newRow("401 with text") << 401 << QByteArray(R"({"error":"expired"})") << Kind::Unauthorized << QStringLiteral("请先登录");
        QTest::newRow("404 text") << 404 << QByteArray(R"({"error":"没有这个用户"})") << Kind::HttpError << QStringLiteral("没有这个用户");
        QTest::newRow("400 procedure") << 400 << QByteArray(R"({"error":{"json":{"message":"bad","code":-32600}}})") << Kind::HttpError << QStringLiteral("bad");
        QTest::newRow("409 empty text") << 409 << QByteArray(R"({"error":""})") << Kind::HttpError << QString(u""_qs);
        QTest::newRow("500 not JSON") << 500 << QByteArray("<html>") << Kind::HttpError << QStringLiteral("HTTP错误: 500");
        QTest::newRow("500 null error") << 500 << QByteArray(R"({"error":null})") << Kind::HttpError << QStringLiteral("HTTP错误: 500");
        QTest::newRow("403 no message") << 403 << QByteArray(R"({"error":{"json":{}}})") << Kind::HttpError << QStringLiteral("HTTP错误: 403");
        QTest::newRow("302 not followed") << 302 << QByteArray() << Kind::HttpError << QStringLiteral("HTTP错误: 302");
    }

    void statusJudgement()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(Kind, kind);
        QFETCH(QString, description);
        ApiFixture f;
        f.server.respond(QStringLiteral("/api/admin/x"), { status, body, { { "Location", "http://127.0.0.1:1/" } } });

        const auto error = failureOf(f.api.request<EmptyResponse>("GET", QStringLiteral("/api/admin/x")));
        QVERIFY(error);
        QCOMPARE(error->kind(), kind);
        QCOMPARE(error->description(), description);
    }

    void transportAndAddressFailures()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString down = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        ApiFixture f;
        APIClient offline(down, f.keychain);
        const auto transport = failureOf(offline.request<EmptyResponse>("GET", QStringLiteral("/api/auth/me")));
        QVERIFY(transport);
        QCOMPARE(transport->kind(), Kind::Transport);
        QVERIFY(!transport->description().isEmpty()); // the platform's own text, not wrapped

        APIClient files(QStringLiteral("file:///etc"), f.keychain);
        QCOMPARE(failureOf(files.request<EmptyResponse>("GET", QStringLiteral("/passwd")))->kind(), Kind::InvalidURL);
        QCOMPARE(failureOf(f.api.request<EmptyResponse>("GET", QStringLiteral("/a b")))->description(), QStringLiteral("无效的请求地址"));
        QVERIFY(f.server.requests().isEmpty());
    }

    void queryInputReachesServerExactly_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::newRow("plus") << QStringLiteral("c++");
        QTest::newRow("percent") << QStringLiteral("100% %20");
        QTest::newRow("reserved") << QStringLiteral("a b&c=d#e?f/g");
        QTest::newRow("chinese, quote, backslash") << QStringLiteral("张三 \"hi\" \\");
    }

    void queryInputReachesServerExactly()
    {
        QFETCH(QString, keyword);
        ApiFixture f;
        f.server.respond(QStringLiteral("/api/trpc/user.search"), { 200, envelope("[]") });
        testsupport::runTask(f.api.query<QList<qint64>>(QStringLiteral("user.search"), Search { keyword }));

        const auto request = f.server.requests().value(0);
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QStringLiteral("/api/trpc/user.search"));
        QVERIFY(request.rawQuery.startsWith("input="));
        QVERIFY(!request.rawQuery.contains('+'));
        // The encoder's text inside {"json": ...}, with no second escaping.
        const QString inner = QString::fromUtf8(json::serialize(QJsonObject { { QStringLiteral("keyword"), keyword } }));
        QCOMPARE(request.queryValue(QStringLiteral("input")), QStringLiteral("{\"json\":") + inner + u'}');
    }

    void procedureRequestShapes()
    {
        ApiFixture f;
        for (const char* name : { "contacts.list", "user.setupMFA", "messages.revoke" })
            f.server.respond(QStringLiteral("/api/trpc/") + QLatin1StringView(name), { 200, envelope("null") });

        testsupport::runTask(f.api.query<std::optional<qint64>>(QStringLiteral("contacts.list")));
        testsupport::runTask(f.api.mutation(QStringLiteral("user.setupMFA")));
        const QJsonObject input { { QStringLiteral("messageId"), 42 } };
        testsupport::runTask(f.api.mutation(QStringLiteral("messages.revoke"), input));

        const auto& requests = f.server.requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[0].method, QByteArray("GET"));
        QVERIFY(!requests[0].hasQuery); // not even a bare "?"
        QCOMPARE(requests[1].method, QByteArray("POST"));
        QVERIFY(requests[1].body.isEmpty()); // neither {"json":null} nor {}
        QCOMPARE(json::parse(requests[2].body), QJsonValue(QJsonObject { { QStringLiteral("json"), input } }));
    }

    void replyUnwrapping_data()
    {
        const QString failed = QStringLiteral("error %1").arg(int(Kind::DecodingError));
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
        ApiFixture f;
        f.server.respond(QStringLiteral("/api/trpc/p.q"), { 200, body });
        const QString name = QStringLiteral("p.q");
        QCOMPARE(outcome(f.api.query<QList<qint64>>(name)), asList);
        QCOMPARE(outcome(f.api.query<QJsonObject>(name)), asObject);
        QCOMPARE(outcome([](APIClient& api, QString procedure) -> QCoro::Task<QJsonValue> {
                     const std::optional<qint64> value = co_await api.query<std::optional<qint64>>(procedure);
                     co_return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
                 }(f.api, name)),
                 asOptionalInt);
        QCOMPARE(outcome(f.api.mutation(name)), asNothing);
    }
};

QTEST_GUILESS_MAIN(TestApiClient)
#include "tst_apiclient.moc"
