// End to end: accounts and tokens of morvane-server ("/api/auth/*").

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

class TestServerAuth : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;

    ApiClient client() { return ApiClient(m_server.baseUrl()); }

    static void verifyUser(const QJsonValue& user, const QString& openId)
    {
        QVERIFY(user["id"_L1].isDouble());
        QCOMPARE(user["openId"_L1].toString(), openId);
        QVERIFY(user["name"_L1].isString());
        for (const QString& key : user.toObject().keys())
            QVERIFY2(!key.contains("password"_L1), qPrintable(key));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    }

    void registerSignInAndProfile()
    {
        ApiClient api = client();
        const QJsonObject registered = api.registerUser(u"ada"_s, u"lovelace1"_s, u"Ada L."_s);
        QCOMPARE(api.token.size(), 64);
        QVERIFY(registered.value("refresh_token"_L1).isString());
        verifyUser(registered.value("user"_L1), u"ada"_s);
        QCOMPARE(registered["user"_L1]["name"_L1].toString(), u"Ada L."_s);

        ApiClient other = client();
        const QJsonObject signedIn = other.login(u"ada"_s, u"lovelace1"_s);
        QVERIFY(other.token != api.token);
        QCOMPARE(other.userId(), api.userId());

        const HttpResult me = other.get(u"/api/auth/me"_s);
        QCOMPARE(me.status, 200);
        verifyUser(me.json()["user"_L1], u"ada"_s);

        const HttpResult profile = other.query(u"user.getMyProfile"_s);
        QCOMPARE(profile.status, 200);
        verifyUser(profile.data(), u"ada"_s);
        QCOMPARE(profile.data()["id"_L1].toInteger(), api.userId());
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
        if (api.login(u"ada"_s, u"lovelace1"_s).isEmpty())
            api.registerUser(u"ada"_s, u"lovelace1"_s);
        const HttpResult result = api.post(u"/api/auth/register"_s, body);
        QCOMPARE(result.status, status);
        QVERIFY(!result.errorMessage().isEmpty());
        // Nothing was created: the name is still free to sign in as nobody.
        QCOMPARE(api.login(u"bea"_s, u"123456"_s).value("user"_L1).isUndefined(), true);
    }

    void loginRefused_data()
    {
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << u"ada"_s << u"lovelace2"_s;
        QTest::newRow("unknown user") << u"nobody"_s << u"lovelace1"_s;
        QTest::newRow("empty") << QString() << QString();
    }

    void loginRefused()
    {
        QFETCH(QString, username);
        QFETCH(QString, password);
        ApiClient api = client();
        const HttpResult result = api.postJson(u"/api/auth/login"_s,
            { { u"username"_s, username }, { u"password"_s, password } });
        QCOMPARE(result.status, 400);
        // One text for both, so the answer does not tell which names exist.
        QCOMPARE(result.errorMessage(), u"Wrong user name or password"_s);
    }

    void bearerRequired_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("token");
        for (const QString& token : { QString(), u"0123456789abcdef"_s }) {
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
        const QString refreshToken = api.login(u"ada"_s, u"lovelace1"_s).value("refresh_token"_L1).toString();
        const QString oldAccess = api.token;

        const HttpResult refreshed = api.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, refreshToken } });
        QCOMPARE(refreshed.status, 200);
        const QString newAccess = refreshed.json()["app_session_id"_L1].toString();
        const QString newRefresh = refreshed.json()["refresh_token"_L1].toString();
        QVERIFY(!newAccess.isEmpty() && newAccess != oldAccess);
        QVERIFY(!newRefresh.isEmpty() && newRefresh != refreshToken);

        api.token = newAccess;
        QCOMPARE(api.get(u"/api/auth/me"_s).status, 200);
        api.token = oldAccess;
        QCOMPARE(api.get(u"/api/auth/me"_s).status, 401);

        const HttpResult reused = api.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, refreshToken } });
        QCOMPARE(reused.status, 401);
        QVERIFY(!reused.errorMessage().isEmpty());
    }

    void logoutEndsOnlyThatSession()
    {
        ApiClient first = client();
        const QString refreshToken = first.login(u"ada"_s, u"lovelace1"_s).value("refresh_token"_L1).toString();
        ApiClient second = client();
        second.login(u"ada"_s, u"lovelace1"_s);
        LiveClient firstSocket(m_server.wsUrl());
        LiveClient secondSocket(m_server.wsUrl());
        QVERIFY(firstSocket.authenticate(first.token, first.userId()));
        QVERIFY(secondSocket.authenticate(second.token, second.userId()));

        QCOMPARE(first.post(u"/api/auth/logout"_s, {}).status, 200);
        QVERIFY(firstSocket.waitForClose());
        QVERIFY(secondSocket.isOpen());
        QCOMPARE(first.get(u"/api/auth/me"_s).status, 401);
        QCOMPARE(first.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, refreshToken } }).status, 401);
        QCOMPARE(second.get(u"/api/auth/me"_s).status, 200);
    }

    void expiredAccessTokenCanBeRefreshed()
    {
        // With a lifetime of zero every access token is expired when it is issued.
        ServerProcess shortLived(ServerProcess::Options { false, 0, {} });
        QVERIFY2(shortLived.start(), qPrintable(shortLived.errorString()));
        ApiClient api(shortLived.baseUrl());
        const QString refreshToken = api.registerUser(u"cyd"_s).value("refresh_token"_L1).toString();
        QCOMPARE(api.get(u"/api/auth/me"_s).status, 401);
        QCOMPARE(api.query(u"conversations.list"_s).status, 401);

        const HttpResult refreshed = api.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, refreshToken } });
        QCOMPARE(refreshed.status, 200);
        QVERIFY(refreshed.json()["app_session_id"_L1].isString());
        QVERIFY(shortLived.stop());
    }

    void accountsSurviveRestart()
    {
        QVERIFY2(m_server.restart(), qPrintable(m_server.errorString()));
        ApiClient api = client();
        api.login(u"ada"_s, u"lovelace1"_s);
        QCOMPARE(api.get(u"/api/auth/me"_s).status, 200);
    }

    void cleanupTestCase()
    {
        QVERIFY2(m_server.stop(), m_server.serverLog().constData());
    }
};

QTEST_GUILESS_MAIN(TestServerAuth)
#include "tst_server_auth.moc"
