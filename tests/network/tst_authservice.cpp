#include "ApiTestSupport.h"
#include "network/AuthService.h"

#include <QTest>

using Kind = APIError::Kind;
Q_DECLARE_METATYPE(APIError::Kind)

namespace {

const QString loginPath = QStringLiteral("/api/auth/login");
const QString registerPath = QStringLiteral("/api/auth/register");
const QString refreshPath = QStringLiteral("/api/auth/refresh");
const QString mePath = QStringLiteral("/api/auth/me");
const QString logoutPath = QStringLiteral("/api/auth/logout");
const QString authToken = QStringLiteral("auth_token");
const QString refreshTokenKey = QStringLiteral("refresh_token");
const QString cachedUser = QStringLiteral("cached_user");
const QByteArray user7 = R"({"id":7,"openId":"o7","name":"七","role":"admin"})";

struct AuthFixture : ApiFixture {
    AuthService auth { api, keychain };
    AuthFixture() { api.setTokenRefresher([this] { return auth.refreshToken(); }); }

    // A previous account's items, to see what a step replaces or keeps.
    void storePrevious()
    {
        keychain.saveText(QStringLiteral("old-access"), authToken);
        keychain.saveText(QStringLiteral("old-refresh"), refreshTokenKey);
        keychain.save(R"({"id":1,"openId":"o1","name":"one"})", cachedUser);
        keychain.saveText(QStringLiteral("mac-device"), QStringLiteral("device_unique_id"));
    }

    QString text(const QString& key) const { return keychain.loadText(key).value_or(QStringLiteral("<none>")); }
};

QCoro::Task<AuthResponse> signIn(AuthService& auth, bool registering)
{
    if (registering)
        return auth.registerAccount(QStringLiteral("qi"), QStringLiteral("pw"), std::nullopt, QStringLiteral("q@x.org"), std::nullopt);
    return auth.login(QStringLiteral("qi"), QStringLiteral("pw"));
}

} // namespace

class TestAuthService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void signIn_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("failure"); // empty: success
        QTest::addColumn<QString>("storedRefresh");
        for (bool registering : { false, true }) {
            const char* prefix = registering ? "register: " : "login: ";
            const QString fallback = registering ? QStringLiteral("注册失败") : QStringLiteral("登录失败");
            auto row = [&](const char* name) -> QTestData& { return QTest::newRow(qPrintable(QLatin1StringView(prefix) + QLatin1StringView(name))); };
            row("with refresh token") << registering << 200 << QByteArray(R"({"app_session_id":"a2","refresh_token":"r2","user":)" + user7 + "}")
                                      << QString() << QStringLiteral("r2");
            // The previous account's refresh token must not survive a sign-in that brings none.
            row("without refresh token") << registering << 200 << QByteArray(R"({"app_session_id":"a2","refresh_token":null,"user":)" + user7 + "}")
                                         << QString() << QStringLiteral("<none>");
            row("token and error, no user") << registering << 200 << QByteArray(R"({"app_session_id":"a2","error":"账号已冻结"})")
                                            << QStringLiteral("账号已冻结") << QStringLiteral("old-refresh");
            row("empty reply") << registering << 200 << QByteArray("{}") << fallback << QStringLiteral("old-refresh");
            row("wrong password") << registering << 401 << QByteArray(R"({"error":"用户名或密码错误"})")
                                  << QStringLiteral("用户名或密码错误") << QStringLiteral("old-refresh");
            row("401 without text") << registering << 401 << QByteArray() << fallback << QStringLiteral("old-refresh");
        }
    }

    void signIn()
    {
        QFETCH(bool, registering);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(QString, failure);
        QFETCH(QString, storedRefresh);
        AuthFixture f;
        f.storePrevious();
        const QString path = registering ? registerPath : loginPath;
        f.server.respond(path, { status, reply });
        f.server.respond(refreshPath, { 200, R"({"app_session_id":"from-refresh"})" });

        const auto error = failureOf(::signIn(f.auth, registering));

        // A refused password is never retried and never triggers a refresh.
        QCOMPARE(f.server.requests().size(), 1);
        QVERIFY(f.server.requestsTo(refreshPath).isEmpty());
        QJsonObject body { { QStringLiteral("username"), QStringLiteral("qi") }, { QStringLiteral("password"), QStringLiteral("pw") } };
        if (registering)
            body.insert(QStringLiteral("email"), QStringLiteral("q@x.org"));
        QCOMPARE(json::parse(f.server.requests()[0].body), QJsonValue(body));

        QCOMPARE(f.text(refreshTokenKey), storedRefresh);
        if (failure.isEmpty()) {
            QVERIFY(!error);
            QCOMPARE(f.text(authToken), QStringLiteral("a2"));
            const auto cached = f.keychain.getCachedUser();
            QVERIFY(cached);
            QCOMPARE(cached->id, 7);
            QCOMPARE(cached->role.value_or(QString()), QStringLiteral("admin"));
        } else {
            QVERIFY(error);
            QCOMPARE(error->kind(), Kind::ServerError);
            QCOMPARE(error->description(), failure);
            QCOMPARE(f.text(authToken), QStringLiteral("old-access"));
            QCOMPARE(f.keychain.getCachedUser().value_or(User {}).id, 1);
        }
    }

    void refreshToken_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("access");
        QTest::addColumn<QString>("refresh");
        QTest::newRow("access only") << 200 << QByteArray(R"({"app_session_id":"a2"})") << false << Kind::ServerError << QString()
                                     << QStringLiteral("a2") << QStringLiteral("old-refresh");
        QTest::newRow("rotated") << 200 << QByteArray(R"({"app_session_id":"a2","refresh_token":"r2"})") << false << Kind::ServerError << QString()
                                 << QStringLiteral("a2") << QStringLiteral("r2");
        QTest::newRow("error only") << 200 << QByteArray(R"({"error":"refresh token expired"})") << true << Kind::ServerError
                                    << QStringLiteral("refresh token expired") << QStringLiteral("old-access") << QStringLiteral("old-refresh");
        QTest::newRow("nothing") << 200 << QByteArray("{}") << true << Kind::ServerError
                                 << QStringLiteral("Token refresh failed") << QStringLiteral("old-access") << QStringLiteral("old-refresh");
        QTest::newRow("refused with text") << 401 << QByteArray(R"({"error":"revoked"})") << true << Kind::ServerError
                                           << QStringLiteral("revoked") << QStringLiteral("old-access") << QStringLiteral("old-refresh");
        QTest::newRow("refused") << 401 << QByteArray() << true << Kind::Unauthorized
                                 << QStringLiteral("请先登录") << QStringLiteral("old-access") << QStringLiteral("old-refresh");
        QTest::newRow("nothing stored, nothing sent") << 0 << QByteArray() << true << Kind::Unauthorized
                                                      << QStringLiteral("请先登录") << QStringLiteral("old-access") << QStringLiteral("<none>");
    }

    void refreshToken()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, fails);
        QFETCH(Kind, kind);
        QFETCH(QString, description);
        QFETCH(QString, access);
        QFETCH(QString, refresh);
        AuthFixture f;
        f.storePrevious();
        if (status == 0)
            f.keychain.remove(refreshTokenKey);
        f.server.respond(refreshPath, { status, reply });

        QString token;
        const auto error = failureOf([&]() -> QCoro::Task<> { token = co_await f.auth.refreshToken(); }());

        QCOMPARE(error.has_value(), fails);
        if (error) {
            QCOMPARE(error->kind(), kind);
            QCOMPARE(error->description(), description);
        } else {
            QCOMPARE(token, access);
        }
        QCOMPARE(f.text(authToken), access);
        QCOMPARE(f.text(refreshTokenKey), refresh);
        QCOMPARE(f.server.requests().size(), status == 0 ? 0 : 1);
        if (status != 0)
            QCOMPARE(f.server.requests()[0].header("Authorization"), QByteArray("Bearer old-access"));
    }

    void me_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("fails");
        QTest::newRow("user; tokens in the reply ignored") << QByteArray(R"({"app_session_id":"sneaky","refresh_token":"r9","user":)" + user7 + "}") << false;
        QTest::newRow("no user") << QByteArray(R"({"app_session_id":"sneaky"})") << true;
    }

    void me()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, fails);
        AuthFixture f;
        f.storePrevious();
        f.server.respond(mePath, { 200, reply });

        const auto error = failureOf(f.auth.me());

        QCOMPARE(error.has_value(), fails);
        if (error)
            QCOMPARE(error->kind(), Kind::Unauthorized);
        QCOMPARE(f.keychain.getCachedUser().value_or(User {}).id, fails ? 1 : 7);
        QCOMPARE(f.text(authToken), QStringLiteral("old-access"));
        QCOMPARE(f.text(refreshTokenKey), QStringLiteral("old-refresh"));
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
        AuthFixture f;
        f.storePrevious();
        f.server.respond(logoutPath, { status, "{}" });
        f.server.respond(refreshPath, { 401, R"({"error":"revoked"})" });
        testsupport::runTask(f.auth.logout());

        for (const QString& key : { authToken, refreshTokenKey, cachedUser })
            QVERIFY2(!f.keychain.load(key), qPrintable(key));
        QCOMPARE(f.text(QStringLiteral("device_unique_id")), QStringLiteral("mac-device"));
        // The sign-out request itself still carries the token it ends.
        QCOMPARE(f.server.requestsTo(logoutPath).value(0).header("Authorization"), QByteArray("Bearer old-access"));
        QCOMPARE(f.server.requestsTo(logoutPath).size(), 1);
        QVERIFY(!f.api.isRefreshing());
    }
};

QTEST_GUILESS_MAIN(TestAuthService)
#include "tst_authservice.moc"
