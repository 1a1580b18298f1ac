#include "ApiTestSupport.h"

#include <QJsonObject>
#include <QTcpServer>
#include <QTest>

using Kind = APIError::Kind;
Q_DECLARE_METATYPE(APIError::Kind)

namespace {

struct Search {
    QString keyword;
    qint64 limit = 0;
    void write(json::Writer& writer) const
    {
        writer.required(QLatin1StringView("keyword"), keyword);
        writer.required(QLatin1StringView("limit"), limit);
    }
    static Search read(const json::Reader& reader)
    {
        return { reader.required<QString>(QLatin1StringView("keyword")), reader.required<qint64>(QLatin1StringView("limit")) };
    }
};

} // namespace

class TestApiClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bearerTokenAndHeaders_data()
    {
        QTest::addColumn<QByteArray>("storedToken");
        QTest::addColumn<bool>("hasToken");
        QTest::addColumn<QByteArray>("authorization");
        QTest::newRow("token") << QByteArray("tok-1") << true << QByteArray("Bearer tok-1");
        QTest::newRow("no token") << QByteArray() << false << QByteArray();
        QTest::newRow("token not UTF-8") << QByteArray("\xff\xfe", 2) << true << QByteArray();
    }

    void bearerTokenAndHeaders()
    {
        QFETCH(QByteArray, storedToken);
        QFETCH(bool, hasToken);
        QFETCH(QByteArray, authorization);
        ApiFixture f;
        if (hasToken)
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
            QVERIFY(!request.hasQuery);
        }
        QCOMPARE(f.server.requests().at(0).method, QByteArray("POST"));
        QCOMPARE(f.server.requests().at(1).method, QByteArray("GET"));
    }

    void statusJudgement_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("description");
        QTest::newRow("200 {}") << 200 << QByteArray("{}") << false << Kind::HttpError << QString();
        QTest::newRow("200 scalar") << 200 << QByteArray("7") << false << Kind::HttpError << QString();
        QTest::newRow("200 empty") << 200 << QByteArray() << true << Kind::DecodingError << QStringLiteral("数据解析错误");
        QTest::newRow("401 with text") << 401 << QByteArray(R"({"error":"expired"})") << true << Kind::Unauthorized << QStringLiteral("请先登录");
        QTest::newRow("404 text") << 404 << QByteArray(R"({"error":"没有这个用户"})") << true << Kind::HttpError << QStringLiteral("没有这个用户");
        QTest::newRow("400 procedure") << 400 << QByteArray(R"({"error":{"json":{"message":"bad input","code":-32600}}})") << true << Kind::HttpError << QStringLiteral("bad input");
        QTest::newRow("409 empty text") << 409 << QByteArray(R"({"error":""})") << true << Kind::HttpError << QString(u""_qs);
        QTest::newRow("500 not JSON") << 500 << QByteArray("<html>oops</html>") << true << Kind::HttpError << QStringLiteral("HTTP错误: 500");
        QTest::newRow("500 {}") << 500 << QByteArray("{}") << true << Kind::HttpError << QStringLiteral("HTTP错误: 500");
        QTest::newRow("500 null error") << 500 << QByteArray(R"({"error":null})") << true << Kind::HttpError << QStringLiteral("HTTP错误: 500");
        QTest::newRow("403 no message") << 403 << QByteArray(R"({"error":{"json":{}}})") << true << Kind::HttpError << QStringLiteral("HTTP错误: 403");
        QTest::newRow("403 message at top") << 403 << QByteArray(R"({"message":"m"})") << true << Kind::HttpError << QStringLiteral("HTTP错误: 403");
        QTest::newRow("302 not followed") << 302 << QByteArray() << true << Kind::HttpError << QStringLiteral("HTTP错误: 302");
    }

    void statusJudgement()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, fails);
        QFETCH(Kind, kind);
        QFETCH(QString, description);
        ApiFixture f;
        RecordingHttpServer::Reply reply { status, body };
        if (status == 302)
            reply.headers = { { "Location", "http://127.0.0.1:1/elsewhere" } };
        f.server.respond(QStringLiteral("/api/admin/x"), reply);

        const auto error = failureOf(f.api.request<EmptyResponse>("GET", QStringLiteral("/api/admin/x")));
        QCOMPARE(error.has_value(), fails);
        if (error) {
            QCOMPARE(error->kind(), kind);
            QCOMPARE(error->description(), description);
        }
        QCOMPARE(f.server.requests().size(), 1);
    }

    void transportFailureKeepsItsOwnText()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        KeychainService keychain(std::make_unique<MemorySecretStore>());
        APIClient api(QStringLiteral("http://127.0.0.1:%1").arg(port), keychain);

        const auto error = failureOf(api.request<EmptyResponse>("GET", QStringLiteral("/api/auth/me")));
        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::Transport);
        QVERIFY(!error->description().isEmpty());
        QVERIFY(!error->description().startsWith(QStringLiteral("网络错误")));
    }

    void invalidAddresses_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::newRow("space in path") << QString() << QStringLiteral("/api/a b");
        QTest::newRow("file scheme") << QStringLiteral("file:///etc") << QStringLiteral("/passwd");
        QTest::newRow("no host") << QStringLiteral("http://") << QStringLiteral("/api");
    }

    void invalidAddresses()
    {
        QFETCH(QString, base);
        QFETCH(QString, path);
        ApiFixture f;
        APIClient api(base.isEmpty() ? f.server.baseUrl() : base, f.keychain);
        const auto error = failureOf(api.request<EmptyResponse>("GET", path));
        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::InvalidURL);
        QCOMPARE(error->description(), QStringLiteral("无效的请求地址"));
        QVERIFY(f.server.requests().isEmpty());
    }

    void queryInputReachesServerExactly_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::newRow("plus") << QStringLiteral("c++");
        QTest::newRow("percent") << QStringLiteral("100% sure %20");
        QTest::newRow("spaces and reserved") << QStringLiteral("a b&c=d#e?f/g");
        QTest::newRow("chinese") << QStringLiteral("张三");
        QTest::newRow("quote and backslash") << QStringLiteral("say \"hi\" \\ ok");
    }

    void queryInputReachesServerExactly()
    {
        QFETCH(QString, keyword);
        ApiFixture f;
        f.server.respond(QStringLiteral("/api/trpc/search.global"), { 200, envelope(R"({"keyword":"x","limit":1})") });
        testsupport::runTask(f.api.query<Search>(QStringLiteral("search.global"), Search { keyword, 50 }));

        const auto request = f.server.requests().value(0);
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QStringLiteral("/api/trpc/search.global"));
        QVERIFY(request.body.isEmpty());
        QVERIFY(!request.rawQuery.contains('+'));
        QVERIFY(request.rawQuery.startsWith("input="));
        QVERIFY(!request.rawQuery.contains('&'));
        // Exactly the encoder's text inside {"json": ...}, with no second escaping.
        const QString expected = QStringLiteral("{\"json\":") + QString::fromUtf8(json::serialize(json::encode(Search { keyword, 50 }))) + u'}';
        QCOMPARE(request.queryValue(QStringLiteral("input")), expected);
        QCOMPARE(json::parse(request.queryValue(QStringLiteral("input")).toUtf8()).toObject().value(u"json").toObject().value(u"keyword").toString(), keyword);
    }

    void procedureRequestShapes()
    {
        ApiFixture f;
        for (const QString& name : { QStringLiteral("contacts.list"), QStringLiteral("user.setupMFA"), QStringLiteral("messages.revoke") })
            f.server.respond(QStringLiteral("/api/trpc/") + name, { 200, envelope("null") });

        testsupport::runTask(f.api.query<std::optional<qint64>>(QStringLiteral("contacts.list")));
        testsupport::runTask(f.api.mutation(QStringLiteral("user.setupMFA")));
        QJsonObject input { { QStringLiteral("messageId"), 42 } };
        testsupport::runTask(f.api.mutation(QStringLiteral("messages.revoke"), input));

        const auto& requests = f.server.requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[0].method, QByteArray("GET"));
        QVERIFY(!requests[0].hasQuery); // not even a bare "?"
        QCOMPARE(requests[1].method, QByteArray("POST"));
        QVERIFY(requests[1].body.isEmpty()); // neither {"json":null} nor {}
        QCOMPARE(requests[2].method, QByteArray("POST"));
        QCOMPARE(json::parse(requests[2].body), QJsonValue(QJsonObject { { QStringLiteral("json"), input } }));
        QVERIFY(!requests[2].hasQuery);
    }

    void replyUnwrapping_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("resultType");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("expected");
        QTest::newRow("wrapped list") << QByteArray(R"({"result":{"data":{"json":[1,2]}}})") << "list" << false << "[1,2]";
        QTest::newRow("bare list") << QByteArray(R"({"result":{"data":[]}})") << "list" << false << "[]";
        QTest::newRow("wrapped int") << QByteArray(R"({"result":{"data":{"json":7}}})") << "int" << false << "7";
        QTest::newRow("bare int") << QByteArray(R"({"result":{"data":7}})") << "int" << false << "7";
        QTest::newRow("wrapped wrong type") << QByteArray(R"({"result":{"data":{"json":true}}})") << "list" << true << "";
        // With "json" present only its value counts, even where "data" itself would read.
        QTest::newRow("json present but wrong") << QByteArray(R"({"result":{"data":{"json":5}}})") << "object" << true << "";
        QTest::newRow("bare object") << QByteArray(R"({"result":{"data":{"a":1}}})") << "object" << false << R"({"a":1})";
        QTest::newRow("none: null") << QByteArray(R"({"result":{"data":null}})") << "none" << false << "";
        QTest::newRow("none: json null") << QByteArray(R"({"result":{"data":{"json":null}}})") << "none" << false << "";
        QTest::newRow("none: value") << QByteArray(R"({"result":{"data":{"json":{"id":1}}}})") << "none" << false << "";
        QTest::newRow("none: no data") << QByteArray(R"({"result":{}})") << "none" << true << "";
        QTest::newRow("none: empty body") << QByteArray() << "none" << true << "";
        QTest::newRow("none: result not object") << QByteArray(R"({"result":[]})") << "none" << true << "";
        QTest::newRow("optional: json null") << QByteArray(R"({"result":{"data":{"json":null}}})") << "optional" << false << "absent";
        QTest::newRow("optional: null") << QByteArray(R"({"result":{"data":null}})") << "optional" << false << "absent";
        QTest::newRow("optional: value") << QByteArray(R"({"result":{"data":{"json":3}}})") << "optional" << false << "3";
    }

    void replyUnwrapping()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, resultType);
        QFETCH(bool, fails);
        QFETCH(QString, expected);
        ApiFixture f;
        f.server.respond(QStringLiteral("/api/trpc/p.q"), { 200, body });
        const QString name = QStringLiteral("p.q");
        QString got;
        std::optional<APIError> error;
        if (resultType == u"list") {
            error = failureOf([&]() -> QCoro::Task<> {
                const QList<qint64> v = co_await f.api.query<QList<qint64>>(name);
                QJsonArray a;
                for (qint64 x : v)
                    a.append(x);
                got = QString::fromUtf8(json::serialize(a));
            }());
        } else if (resultType == u"int") {
            error = failureOf([&]() -> QCoro::Task<> { got = QString::number(co_await f.api.query<qint64>(name)); }());
        } else if (resultType == u"object") {
            error = failureOf([&]() -> QCoro::Task<> { got = QString::fromUtf8(json::serialize(co_await f.api.query<QJsonObject>(name))); }());
        } else if (resultType == u"optional") {
            error = failureOf([&]() -> QCoro::Task<> {
                const std::optional<qint64> v = co_await f.api.query<std::optional<qint64>>(name);
                got = v ? QString::number(*v) : QStringLiteral("absent");
            }());
        } else {
            error = failureOf(f.api.mutation(name));
        }
        QCOMPARE(error.has_value(), fails);
        if (error)
            QCOMPARE(error->kind(), Kind::DecodingError);
        else
            QCOMPARE(got, expected);
    }
};

QTEST_GUILESS_MAIN(TestApiClient)
#include "tst_apiclient.moc"
