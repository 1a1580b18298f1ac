// End to end: accounts and tokens of morvane-server ("/api/auth/*").

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

class TestServerAuth : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;

    ApiClient client() { return ApiClient(m_server.baseUrl()); }

    // A signed-in client of "ada", and its refresh token.
    QString signIn(ApiClient& api) { return api.login(u"ada"_s, u"lovelace1"_s).value("refresh_token"_L1).toString(); }

    static HttpResult refresh(ApiClient& api, const QString& refreshToken)
    {
        return api.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, refreshToken } });
    }

    static void verifyUser(const QJsonValue& user, qint64 id)
    {
        QCOMPARE(user["id"_L1].toInteger(), id);
        QCOMPARE(user["openId"_L1].toString(), u"ada"_s);
        QCOMPARE(user["name"_L1].toString(), u"Ada L."_s);
        for (const QString& key : user.toObject().keys())
            QVERIFY2(!key.contains("password"_L1), qPrintable(key));
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorString())); }

    void registerSignInAndProfile()
    {
        ApiClient api = client();
        const QJsonObject registered = api.registerUser(u"ada"_s, u"lovelace1"_s, u"Ada L."_s);
        QCOMPARE(api.token.size(), 64);
        QVERIFY(registered.value("refresh_token"_L1).isString());
        verifyUser(registered.value("user"_L1), api.userId());

        ApiClient other = client();
        signIn(other);
        QVERIFY(other.token != api.token);
        const QJsonValue me = other.get(u"/api/auth/me"_s).json()["user"_L1];
        verifyUser(me, api.userId());
        verifyUser(other.query(u"user.getMyProfile"_s).data(), api.userId());
        // Its times are time texts: made, changed, and signed in no earlier than made.
        const auto timeOf = [&me](const char* key) { return QDateTime::fromString(me[QLatin1StringView(key)].toString(), Qt::ISODate); };
        QVERIFY2(timeOf("createdAt").isValid() && timeOf("updatedAt").isValid(), qPrintable(QString::fromUtf8(QJsonDocument(me.toObject()).toJson())));
        QVERIFY2(timeOf("lastSignedIn") >= timeOf("createdAt"), qPrintable(QString::fromUtf8(QJsonDocument(me.toObject()).toJson())));
    }

    void registrationRefused_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("short password") << QByteArray(R"({"username":"bea","password":"12345"})") << 400;
        QTest::newRow("password too long") << (R"({"username":"bea","password":")" + QByteArray(129, 'p') + R"("})") << 400;
        QTest::newRow("short name") << QByteArray(R"({"username":"b","password":"123456"})") << 400;
        QTest::newRow("space in name") << QByteArray(R"({"username":"b e a","password":"123456"})") << 400;
        QTest::newRow("taken name, other case") << QByteArray(R"({"username":"ADA","password":"123456"})") << 409;
        QTest::newRow("password not a string") << QByteArray(R"({"username":"bea","password":123456})") << 400;
        QTest::newRow("bad e-mail") << QByteArray(R"({"username":"bea","password":"123456","email":"nope"})") << 400;
        QTest::newRow("nickname too long") << (R"({"username":"bea","password":"123456","nickname":")" + QByteArray(65, 'n') + R"("})") << 400;
        QTest::newRow("control character in nickname")
            << QByteArray(R"({"username":"bea","password":"123456","nickname":"Bea"})") << 400;
        QTest::newRow("invite code too long")
            << (R"({"username":"bea","password":"123456","inviteCode":")" + QByteArray(65, 'c') + R"("})") << 400;
        QTest::newRow("malformed JSON") << QByteArray(R"({"username":"bea",)") << 400;
        QTest::newRow("not an object") << QByteArray(R"(["bea"])") << 400;
    }
    void registrationRefused()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        ApiClient api = client();
        const HttpResult result = api.post(u"/api/auth/register"_s, body);
        QCOMPARE(result.status, status);
        QVERIFY(!result.errorMessage().isEmpty());
        // Nothing was created.
        QVERIFY(api.login(u"bea"_s, u"123456"_s).value("user"_L1).isUndefined());
    }

    void loginRefused()
    {
        // One text for all, so the answer does not tell which names exist.
        const std::pair<QString, QString> attempts[] = { { u"ada"_s, u"lovelace2"_s }, { u"nobody"_s, u"lovelace1"_s }, { QString(), QString() } };
        for (const auto& [username, password] : attempts) {
            const HttpResult result = client().postJson(u"/api/auth/login"_s, { { u"username"_s, username }, { u"password"_s, password } });
            QCOMPARE(result.status, 400);
            QCOMPARE(result.errorMessage(), u"Wrong user name or password"_s);
        }
    }

    void bearerRequired()
    {
        ApiClient api = client();
        for (const QString& token : { QString(), u"0123456789abcdef"_s }) {
            api.token = token;
            for (const HttpResult& result : { api.get(u"/api/auth/me"_s), api.post(u"/api/auth/logout"_s, {}), api.query(u"conversations.list"_s),
                                              api.mutation(u"conversations.markAsRead"_s, QJsonObject { { u"conversationId"_s, 1 } }) }) {
                QCOMPARE(result.status, 401);
                QVERIFY(!result.errorMessage().isEmpty());
            }
        }
    }

    // A spent refresh token presented again means two parties hold the session: it
    // ends for both (tokens refused, the live socket closed); other sessions go on.
    void refreshRotatesAndReplayEndsTheSession()
    {
        ApiClient api = client();
        const QString refreshToken = signIn(api);
        ApiClient other = client();
        signIn(other);
        const QString oldAccess = api.token;
        const HttpResult refreshed = refresh(api, refreshToken);
        QCOMPARE(refreshed.status, 200);
        const QString newRefresh = refreshed.json()["refresh_token"_L1].toString();
        QVERIFY(!newRefresh.isEmpty() && newRefresh != refreshToken);
        api.token = refreshed.json()["app_session_id"_L1].toString();
        QCOMPARE(api.get(u"/api/auth/me"_s).status, 200);
        LiveClient live(m_server.wsUrl());
        QVERIFY(live.authenticate(api.token, api.userId()));
        const QString newAccess = api.token;
        api.token = oldAccess;
        QCOMPARE(api.get(u"/api/auth/me"_s).status, 401);

        QCOMPARE(refresh(api, refreshToken).status, 401);
        QVERIFY2(live.waitForClose(), "the replayed session's socket stays open");
        api.token = newAccess;
        QCOMPARE(api.get(u"/api/auth/me"_s).status, 401);
        QCOMPARE(refresh(api, newRefresh).status, 401);
        QCOMPARE(other.get(u"/api/auth/me"_s).status, 200);
    }

    void logoutEndsOnlyThatSession()
    {
        ApiClient first = client();
        const QString refreshToken = signIn(first);
        ApiClient second = client();
        signIn(second);
        LiveClient firstSocket(m_server.wsUrl());
        LiveClient secondSocket(m_server.wsUrl());
        QVERIFY(firstSocket.authenticate(first.token, first.userId()));
        QVERIFY(secondSocket.authenticate(second.token, second.userId()));

        QCOMPARE(first.post(u"/api/auth/logout"_s, {}).status, 200);
        QVERIFY(firstSocket.waitForClose());
        QVERIFY(secondSocket.isOpen());
        QCOMPARE(first.get(u"/api/auth/me"_s).status, 401);
        QCOMPARE(refresh(first, refreshToken).status, 401);
        QCOMPARE(second.get(u"/api/auth/me"_s).status, 200);
    }

    void expiredAccessTokenCanBeRefreshed()
    {
        // With a lifetime of zero every access token is expired when it is issued.
        ServerProcess shortLived(ServerProcess::Options { false, 0, {} });
        QVERIFY2(shortLived.start(), qPrintable(shortLived.errorString()));
        ApiClient api(shortLived.baseUrl());
        const QString refreshToken = api.registerUser(u"cyd"_s).value("refresh_token"_L1).toString();
        QCOMPARE(api.query(u"conversations.list"_s).status, 401);
        const HttpResult refreshed = refresh(api, refreshToken);
        QCOMPARE(refreshed.status, 200);
        QVERIFY(refreshed.json()["app_session_id"_L1].isString());
        QVERIFY(shortLived.stop());
    }

    void accountsSurviveRestart()
    {
        QVERIFY2(m_server.restart(), qPrintable(m_server.errorString()));
        ApiClient api = client();
        signIn(api);
        QCOMPARE(api.get(u"/api/auth/me"_s).status, 200);
    }

    void cleanupTestCase() { QVERIFY2(m_server.stop(), m_server.serverLog().constData()); }
};

QTEST_GUILESS_MAIN(TestServerAuth)
#include "tst_server_auth.moc"
