#include "ApiTestSupport.h"
#include "network/AuthService.h"

#include <QSignalSpy>
#include <QTest>

using Kind = APIError::Kind;
Q_DECLARE_METATYPE(APIError::Kind)

namespace {

const QString query = QStringLiteral("/api/trpc/vip.status");
const QString refresh = QStringLiteral("/api/auth/refresh");
const QByteArray userJson = R"({"id":7,"openId":"o7","name":"七"})";

struct RetryFixture : ApiFixture {
    AuthService auth { api, keychain };
    RetryFixture()
    {
        api.setTokenRefresher([this] { return auth.refreshToken(); });
        keychain.saveText(QStringLiteral("old-access"), QStringLiteral("auth_token"));
        keychain.saveText(QStringLiteral("old-refresh"), QStringLiteral("refresh_token"));
    }
};

} // namespace

class TestRefreshRetry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void retryAfterRefresh_data()
    {
        QTest::addColumn<int>("retryStatus");
        QTest::addColumn<QByteArray>("retryBody");
        QTest::addColumn<bool>("cachedUser");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<Kind>("kind");
        QTest::newRow("retry succeeds") << 200 << envelope("5") << true << false << Kind::Unauthorized;
        QTest::newRow("retry succeeds, no cached user") << 200 << envelope("5") << false << false << Kind::Unauthorized;
        QTest::newRow("second 401") << 401 << QByteArray("{}") << true << true << Kind::Unauthorized;
        QTest::newRow("retry 500 stays itself") << 500 << QByteArray(R"({"error":"boom"})") << true << true << Kind::HttpError;
        QTest::newRow("retry undecodable stays itself") << 200 << envelope(R"("five")") << true << true << Kind::DecodingError;
    }

    void retryAfterRefresh()
    {
        QFETCH(int, retryStatus);
        QFETCH(QByteArray, retryBody);
        QFETCH(bool, cachedUser);
        QFETCH(bool, fails);
        QFETCH(Kind, kind);
        RetryFixture f;
        if (cachedUser)
            f.keychain.save(userJson, QStringLiteral("cached_user"));
        f.server.respondOnce(query, { 401, R"({"error":"expired"})" });
        f.server.respond(query, { retryStatus, retryBody });
        f.server.respond(refresh, { 200, R"({"app_session_id":"new-access"})" });
        QSignalSpy reconnects(&f.api, &APIClient::sessionRefreshed);

        const auto error = failureOf(f.api.query<qint64>(QStringLiteral("vip.status")));

        QCOMPARE(error.has_value(), fails);
        if (error)
            QCOMPARE(error->kind(), kind);
        QVERIFY(!f.api.isRefreshing());
        const auto calls = f.server.requestsTo(query);
        QCOMPARE(calls.size(), 2); // one retry, never more
        QCOMPARE(calls[0].header("Authorization"), QByteArray("Bearer old-access"));
        QCOMPARE(calls[1].header("Authorization"), QByteArray("Bearer new-access"));
        QCOMPARE(calls[1].rawQuery, calls[0].rawQuery);
        QCOMPARE(f.server.requestsTo(refresh).size(), 1);
        QCOMPARE(json::parse(f.server.requestsTo(refresh)[0].body), QJsonValue(QJsonObject { { QStringLiteral("refreshToken"), QStringLiteral("old-refresh") } }));
        QCOMPARE(reconnects.size(), cachedUser ? 1 : 0);
        if (cachedUser)
            QCOMPARE(reconnects[0][0].toLongLong(), 7);
    }

    void failedRefreshMeansUnauthorized_data()
    {
        QTest::addColumn<bool>("refreshTokenStored");
        QTest::addColumn<int>("refreshStatus");
        QTest::addColumn<QByteArray>("refreshBody");
        QTest::addColumn<int>("refreshRequests");
        QTest::newRow("no refresh token") << false << 200 << QByteArray() << 0;
        QTest::newRow("refresh refused") << true << 401 << QByteArray(R"({"error":"revoked"})") << 1;
        QTest::newRow("refresh answers an error") << true << 200 << QByteArray(R"({"error":"nope"})") << 1;
    }

    void failedRefreshMeansUnauthorized()
    {
        QFETCH(bool, refreshTokenStored);
        QFETCH(int, refreshStatus);
        QFETCH(QByteArray, refreshBody);
        QFETCH(int, refreshRequests);
        RetryFixture f;
        if (!refreshTokenStored)
            f.keychain.remove(QStringLiteral("refresh_token"));
        f.server.respond(query, { 401, "{}" });
        f.server.respond(refresh, { refreshStatus, refreshBody });

        const auto error = failureOf(f.api.query<qint64>(QStringLiteral("vip.status")));

        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::Unauthorized);
        QCOMPARE(error->description(), QStringLiteral("请先登录"));
        QVERIFY(!f.api.isRefreshing());
        QCOMPARE(f.server.requestsTo(query).size(), 1);
        QCOMPARE(f.server.requestsTo(refresh).size(), refreshRequests);
        QCOMPARE(f.keychain.loadText(QStringLiteral("auth_token")).value_or(QString()), QStringLiteral("old-access"));
    }

    void otherFailuresAreNotRefreshed()
    {
        RetryFixture f;
        f.server.respond(query, { 403, R"({"error":{"json":{"message":"禁止"}}})" });
        const auto error = failureOf(f.api.query<qint64>(QStringLiteral("vip.status")));
        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::HttpError);
        QCOMPARE(error->description(), QStringLiteral("禁止"));
        QVERIFY(f.server.requestsTo(refresh).isEmpty());
    }

    void unauthorizedDuringRefreshFailsAtOnce()
    {
        RetryFixture f;
        const QString other = QStringLiteral("/api/trpc/vip.levels");
        f.server.respondOnce(query, { 401, "{}" });
        f.server.respond(query, { 200, envelope("1") });
        f.server.respond(other, { 401, "{}" });
        f.server.respond(refresh, { 200, R"({"app_session_id":"new-access"})", {}, true });

        // The first call meets 401 and starts a refresh, which the server holds.
        auto first = f.api.query<qint64>(QStringLiteral("vip.status"));
        QTRY_VERIFY(!f.server.requestsTo(refresh).isEmpty());
        QVERIFY(f.api.isRefreshing());

        // A second call refused meanwhile fails at once, without a refresh of its own.
        const auto error = failureOf(f.api.query<QList<qint64>>(QStringLiteral("vip.levels")));
        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::Unauthorized);
        QCOMPARE(f.server.requestsTo(other).size(), 1);
        QCOMPARE(f.server.requestsTo(refresh).size(), 1);

        f.server.release(refresh);
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
                                            << QByteArray(R"({"url":"/uploads/k1.png"})") << QStringLiteral("BASE/uploads/k1.png");
        QTest::newRow("absolute address") << QByteArray("abc") << QByteArray(R"({"fileKey":"k1"})")
                                          << QByteArray("{\"url\":\"https://cdn.example.org/k1\"}") << QStringLiteral("https://cdn.example.org/k1");
        QTest::newRow("path without slash") << QByteArray("abc") << QByteArray(R"({"fileKey":"k1","uploadUrl":null})")
                                            << QByteArray(R"({"url":"uploads/k1"})") << QStringLiteral("uploads/k1");
        QTest::newRow("empty file") << QByteArray() << QByteArray(R"({"fileKey":"k1"})") << QByteArray(R"({"url":"/u/e"})") << QStringLiteral("BASE/u/e");
        QTest::newRow("empty url") << QByteArray("abc") << QByteArray(R"({"fileKey":"k1"})") << QByteArray(R"({"url":""})") << QString();
    }

    void upload()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, presigned);
        QFETCH(QByteArray, completed);
        QFETCH(QString, expected);
        ApiFixture f;
        const QString announce = QStringLiteral("/api/trpc/upload.getPresignedUrl");
        const QString complete = QStringLiteral("/api/trpc/upload.complete");
        f.server.respond(announce, { 200, envelope(presigned) });
        f.server.respond(complete, { 200, envelope(completed) });

        QString url;
        const auto error = failureOf([&]() -> QCoro::Task<> {
            url = co_await f.api.uploadFile(data, QStringLiteral("图 1.png"), QStringLiteral("image/png"));
        }());

        if (expected.isEmpty()) {
            QVERIFY(error);
            QCOMPARE(error->kind(), Kind::DecodingError);
        } else {
            QVERIFY(!error);
            QCOMPARE(url, QString(expected).replace(QStringLiteral("BASE"), f.server.baseUrl()));
        }
        QCOMPARE(f.server.requests().size(), 2); // nothing goes to "uploadUrl"
        const QJsonObject first { { QStringLiteral("fileName"), QStringLiteral("图 1.png") },
                                  { QStringLiteral("fileType"), QStringLiteral("image/png") },
                                  { QStringLiteral("fileSize"), data.size() } };
        QCOMPARE(json::parse(f.server.requests()[0].body), QJsonValue(QJsonObject { { QStringLiteral("json"), first } }));
        const QJsonObject second { { QStringLiteral("fileKey"), QStringLiteral("k1") },
                                   { QStringLiteral("fileBuffer"), QString::fromLatin1(data.toBase64()) },
                                   { QStringLiteral("contentType"), QStringLiteral("image/png") } };
        QCOMPARE(json::parse(f.server.requests()[1].body), QJsonValue(QJsonObject { { QStringLiteral("json"), second } }));
    }

    void uploadStopsWhenAnnouncementFails()
    {
        ApiFixture f;
        f.server.respond(QStringLiteral("/api/trpc/upload.getPresignedUrl"), { 200, envelope(R"({"uploadUrl":"x"})") });
        const auto error = failureOf(f.api.uploadFile("abc", QStringLiteral("a"), QStringLiteral("text/plain")));
        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::DecodingError);
        QCOMPARE(f.server.requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRefreshRetry)
#include "tst_refreshretry.moc"
