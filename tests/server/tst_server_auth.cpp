// End to end: accounts and tokens of morvane-server ("/api/auth/*").

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QJsonArray>
#include <QTest>

using testsupport::ServerProcess;

class TestServerAuth : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;

    ApiClient client() { return ApiClient(m_server.baseUrl()); }

    static void verifyUser(const QJsonValue& user, const QString& openId)
    {
        QVERIFY(user[QLatin1StringView("id")].isDouble());
        QCOMPARE(user[QLatin1StringView("openId")].toString(), openId);
        QVERIFY(user[QLatin1StringView("name")].isString());
        QVERIFY(!user.toObject().contains(QLatin1StringView("password_hash")));
        for (const QString& key : user.toObject().keys())
            QVERIFY2(!key.contains(QLatin1StringView("password")), qPrintable(key));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    }

    void registerSignInAndProfile()
    {
        ApiClient api = client();
        const QJsonObject registered = api.registerUser(QStringLiteral("ada"), QStringLiteral("lovelace1"), QStringLiteral("Ada L."));
        QVERIFY(!api.token.isEmpty());
        QCOMPARE(api.token.size(), 64);
        QVERIFY(registered.value(QLatin1StringView("refresh_token")).isString());
        verifyUser(registered.value(QLatin1StringView("user")), QStringLiteral("ada"));
        QCOMPARE(registered[QLatin1StringView("user")][QLatin1StringView("name")].toString(), QStringLiteral("Ada L."));

        ApiClient other = client();
        const QJsonObject signedIn = other.login(QStringLiteral("ada"), QStringLiteral("lovelace1"));
        QVERIFY(other.token != api.token);
        QCOMPARE(other.userId(), api.userId());

        const HttpResult me = other.get(QStringLiteral("/api/auth/me"));
        QCOMPARE(me.status, 200);
        verifyUser(me.json()[QLatin1StringView("user")], QStringLiteral("ada"));

        const HttpResult profile = other.query(QStringLiteral("user.getMyProfile"));
        QCOMPARE(profile.status, 200);
        verifyUser(profile.data(), QStringLiteral("ada"));
        QCOMPARE(profile.data()[QLatin1StringView("id")].toInteger(), api.userId());
    }

    void registrationRefused_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("short password") << QByteArray(R"({"username":"bea","password":"12345"})") << 400;
        QTest::newRow("short name") << QByteArray(R"({"username":"b","password":"123456"})") << 400;
        QTest::newRow("space in name") << QByteArray(R"({"username":"b e a","password":"123456"})") << 400;
        QTest::newRow("taken name, other case") << QByteArray(R"({"username":"ADA","password":"123456"})") << 409;
        QTest::newRow("missing password") << QByteArray(R"({"username":"bea"})") << 400;
        QTest::newRow("password not a string") << QByteArray(R"({"username":"bea","password":123456})") << 400;
        QTest::newRow("bad e-mail") << QByteArray(R"({"username":"bea","password":"123456","email":"nope"})") << 400;
        QTest::newRow("malformed JSON") << QByteArray(R"({"username":"bea",)") << 400;
        QTest::newRow("not an object") << QByteArray(R"(["bea"])") << 400;
        QTest::newRow("empty body") << QByteArray() << 400;
    }

    void registrationRefused()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        ApiClient api = client();
        if (api.login(QStringLiteral("ada"), QStringLiteral("lovelace1")).isEmpty())
            api.registerUser(QStringLiteral("ada"), QStringLiteral("lovelace1"));
        const HttpResult result = api.post(QStringLiteral("/api/auth/register"), body);
        QCOMPARE(result.status, status);
        QVERIFY(!result.errorMessage().isEmpty());
        // Nothing was created: the name is still free to sign in as nobody.
        QCOMPARE(api.login(QStringLiteral("bea"), QStringLiteral("123456")).value(QLatin1StringView("user")).isUndefined(), true);
    }

    void loginRefused_data()
    {
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << QStringLiteral("ada") << QStringLiteral("lovelace2");
        QTest::newRow("unknown user") << QStringLiteral("nobody") << QStringLiteral("lovelace1");
        QTest::newRow("empty") << QString() << QString();
    }

    void loginRefused()
    {
        QFETCH(QString, username);
        QFETCH(QString, password);
        ApiClient api = client();
        const HttpResult result = api.postJson(QStringLiteral("/api/auth/login"),
            { { QStringLiteral("username"), username }, { QStringLiteral("password"), password } });
        QCOMPARE(result.status, 400);
        // One text for both, so the answer does not tell which names exist.
        QCOMPARE(result.errorMessage(), QStringLiteral("Wrong user name or password"));
    }

    void bearerRequired_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("token");
        for (const QString& token : { QString(), QStringLiteral("0123456789abcdef") }) {
            const char* which = token.isEmpty() ? "no token" : "unknown token";
            QTest::addRow("me, %s", which) << "GET" << "/api/auth/me" << token;
            QTest::addRow("logout, %s", which) << "POST" << "/api/auth/logout" << token;
            QTest::addRow("query, %s", which) << "GET" << "/api/trpc/conversations.list" << token;
            QTest::addRow("mutation, %s", which) << "POST" << "/api/trpc/conversations.markAsRead" << token;
        }
    }

    void bearerRequired()
    {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QString, token);
        ApiClient api = client();
        api.token = token;
        const HttpResult result = method == u"GET" ? api.get(path) : api.post(path, R"({"json":{"conversationId":1}})");
        QCOMPARE(result.status, 401);
        QVERIFY(!result.errorMessage().isEmpty());
    }

    void refreshRotatesAndIsSingleUse()
    {
        ApiClient api = client();
        const QString refreshToken = api.login(QStringLiteral("ada"), QStringLiteral("lovelace1")).value(QLatin1StringView("refresh_token")).toString();
        const QString oldAccess = api.token;

        const HttpResult refreshed = api.postJson(QStringLiteral("/api/auth/refresh"), { { QStringLiteral("refreshToken"), refreshToken } });
        QCOMPARE(refreshed.status, 200);
        const QString newAccess = refreshed.json()[QLatin1StringView("app_session_id")].toString();
        const QString newRefresh = refreshed.json()[QLatin1StringView("refresh_token")].toString();
        QVERIFY(!newAccess.isEmpty() && newAccess != oldAccess);
        QVERIFY(!newRefresh.isEmpty() && newRefresh != refreshToken);

        api.token = newAccess;
        QCOMPARE(api.get(QStringLiteral("/api/auth/me")).status, 200);
        api.token = oldAccess;
        QCOMPARE(api.get(QStringLiteral("/api/auth/me")).status, 401);

        const HttpResult reused = api.postJson(QStringLiteral("/api/auth/refresh"), { { QStringLiteral("refreshToken"), refreshToken } });
        QCOMPARE(reused.status, 401);
        QVERIFY(!reused.errorMessage().isEmpty());
    }

    void logoutEndsOnlyThatSession()
    {
        ApiClient first = client();
        const QString refreshToken = first.login(QStringLiteral("ada"), QStringLiteral("lovelace1")).value(QLatin1StringView("refresh_token")).toString();
        ApiClient second = client();
        second.login(QStringLiteral("ada"), QStringLiteral("lovelace1"));
        LiveClient firstSocket(m_server.wsUrl());
        LiveClient secondSocket(m_server.wsUrl());
        QVERIFY(firstSocket.authenticate(first.token, first.userId()));
        QVERIFY(secondSocket.authenticate(second.token, second.userId()));

        QCOMPARE(first.post(QStringLiteral("/api/auth/logout"), {}).status, 200);
        QVERIFY(firstSocket.waitForClose());
        QVERIFY(secondSocket.isOpen());
        QCOMPARE(first.get(QStringLiteral("/api/auth/me")).status, 401);
        QCOMPARE(first.postJson(QStringLiteral("/api/auth/refresh"), { { QStringLiteral("refreshToken"), refreshToken } }).status, 401);
        QCOMPARE(second.get(QStringLiteral("/api/auth/me")).status, 200);
    }

    void expiredAccessTokenCanBeRefreshed()
    {
        // With a lifetime of zero every access token is expired when it is issued.
        ServerProcess shortLived(ServerProcess::Options { false, 0, {} });
        QVERIFY2(shortLived.start(), qPrintable(shortLived.errorString()));
        ApiClient api(shortLived.baseUrl());
        const QString refreshToken = api.registerUser(QStringLiteral("cyd")).value(QLatin1StringView("refresh_token")).toString();
        QCOMPARE(api.get(QStringLiteral("/api/auth/me")).status, 401);
        QCOMPARE(api.query(QStringLiteral("conversations.list")).status, 401);

        const HttpResult refreshed = api.postJson(QStringLiteral("/api/auth/refresh"), { { QStringLiteral("refreshToken"), refreshToken } });
        QCOMPARE(refreshed.status, 200);
        QVERIFY(refreshed.json()[QLatin1StringView("app_session_id")].isString());
        QVERIFY(shortLived.stop());
    }

    void accountsSurviveRestart()
    {
        QVERIFY2(m_server.restart(), qPrintable(m_server.errorString()));
        ApiClient api = client();
        api.login(QStringLiteral("ada"), QStringLiteral("lovelace1"));
        QCOMPARE(api.get(QStringLiteral("/api/auth/me")).status, 200);
    }

    void cleanupTestCase()
    {
        QVERIFY2(m_server.stop(), m_server.serverLog().constData());
    }
};

QTEST_GUILESS_MAIN(TestServerAuth)
#include "tst_server_auth.moc"
