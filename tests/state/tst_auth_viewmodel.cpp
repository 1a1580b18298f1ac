#include "ClientStack.h"

#include "state/AuthViewModel.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray userJson = R"({"id":7,"openId":"o7","name":"Mei"})";
const QByteArray renamedJson = R"({"id":7,"openId":"o7","name":"Mei Lin"})";

AuthViewModel::Dependencies depsOf(ClientStack& stack)
{
    return AuthViewModel::Dependencies { &stack.auth, &stack.keychain, &stack.ws };
}

} // namespace

class TestAuthViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void restoresOnlyAWholeSession_data()
    {
        QTest::addColumn<bool>("cachedUser");
        QTest::addColumn<QByteArray>("token"); // empty: no item
        QTest::addColumn<bool>("signedIn");

        QTest::newRow("user and token") << true << QByteArray("t") << true;
        QTest::newRow("user, token not UTF-8") << true << QByteArray("\xff\xfe") << false;
        QTest::newRow("user, no token") << true << QByteArray() << false;
        QTest::newRow("token, no user") << false << QByteArray("t") << false;
    }

    void restoresOnlyAWholeSession()
    {
        QFETCH(bool, cachedUser);
        QFETCH(QByteArray, token);
        QFETCH(bool, signedIn);
        ClientStack stack;
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":)" + userJson + "}" });
        if (cachedUser)
            stack.keychain.save(userJson, u"cached_user"_s);
        if (!token.isEmpty())
            stack.keychain.save(token, u"auth_token"_s);

        AuthViewModel model(depsOf(stack));
        QCOMPARE(model.isAuthenticated(), signedIn);
        QCOMPARE(model.user().has_value(), signedIn);
        if (signedIn)
            QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 1);
        QTest::qWait(50);
        QCOMPARE(stack.requestCount(u"/api/auth/me"_s), signedIn ? 1 : 0);
    }

    // Only a refused token ends a restored session; a failing server keeps it.
    void backgroundCheckOfARestoredSession_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("name");

        QTest::newRow("confirmed") << 200 << true << u"Mei Lin"_s;
        QTest::newRow("token refused") << 401 << false << QString();
        QTest::newRow("server error") << 500 << true << u"Mei"_s;
    }

    void backgroundCheckOfARestoredSession()
    {
        QFETCH(int, status);
        QFETCH(bool, signedIn);
        QFETCH(QString, name);
        ClientStack stack;
        stack.server.respond(u"/api/auth/me"_s, { status, status == 200 ? R"({"user":)" + renamedJson + "}" : "{}" });
        stack.server.respond(u"/api/auth/refresh"_s, { 401, "{}" });
        stack.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        stack.keychain.save(userJson, u"cached_user"_s);
        stack.keychain.saveText(u"t"_s, u"auth_token"_s);

        AuthViewModel model(depsOf(stack));
        QSignalSpy authSpy(&model, &AuthViewModel::isAuthenticatedChanged);
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 1);
        if (status == 401)
            QTRY_VERIFY(!stack.store->contains(u"auth_token"_s));
        else if (status == 200)
            QTRY_VERIFY(model.user() && model.user()->name == name);
        else
            QTest::qWait(300);
        QCOMPARE(model.isAuthenticated(), signedIn);
        QCOMPARE(model.user() ? model.user()->name : QString(), name);
        QCOMPARE(stack.requestCount(u"/api/auth/logout"_s), signedIn ? 0 : 1);
        QCOMPARE(stack.store->contains(u"auth_token"_s), signedIn);
        QCOMPARE(authSpy.count(), signedIn ? 0 : 1);
    }

    void refreshCurrentUserKeepsTheSessionWhenTheServerFails_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("signedIn");

        QTest::newRow("server error") << 503 << true;
        QTest::newRow("token refused") << 401 << false;
    }

    void refreshCurrentUserKeepsTheSessionWhenTheServerFails()
    {
        QFETCH(int, status);
        QFETCH(bool, signedIn);
        ClientStack stack;
        stack.server.respondOnce(u"/api/auth/me"_s, { 200, R"({"user":)" + userJson + "}" });
        stack.server.respond(u"/api/auth/me"_s, { status, "{}" });
        stack.server.respond(u"/api/auth/refresh"_s, { 401, "{}" });
        stack.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        stack.storeSession(ClientStack::user(7, u"Mei"_s));
        AuthViewModel model(depsOf(stack));
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 1);

        testsupport::runTask(model.refreshCurrentUser());
        QCOMPARE(model.isAuthenticated(), signedIn);
        QCOMPARE(model.user().has_value(), signedIn);
        QCOMPARE(stack.store->contains(u"cached_user"_s), signedIn);
    }

    void validatesTheFormBeforeAnyRequest_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("error");

        const QString empty = u"请输入用户名和密码"_s;
        QTest::newRow("login, no user name") << false << u""_s << u"secret"_s << empty;
        QTest::newRow("login, no password") << false << u"mei"_s << u""_s << empty;
        QTest::newRow("register, no password") << true << u"mei"_s << u""_s << empty;
        QTest::newRow("register, five characters") << true << u"mei"_s << u"12345"_s << u"密码至少6位"_s;
        QTest::newRow("register, five graphemes") << true << u"mei"_s << u"e\u0301e\u0301e\u0301e\u0301e\u0301"_s
                                                  << u"密码至少6位"_s;
    }

    void validatesTheFormBeforeAnyRequest()
    {
        QFETCH(bool, registering);
        QFETCH(QString, username);
        QFETCH(QString, password);
        QFETCH(QString, error);
        ClientStack stack;
        AuthViewModel model(depsOf(stack));
        model.setUsername(username);
        model.setPassword(password);
        testsupport::runTask(registering ? model.registerAccount() : model.login());
        QCOMPARE(model.error(), std::optional<QString>(error));
        QVERIFY(!model.isLoading());
        QVERIFY(stack.server.requests().isEmpty());
    }

    void registersWithOptionalFieldsLeftOut()
    {
        ClientStack stack;
        stack.server.respond(u"/api/auth/register"_s,
                             { 200, R"({"app_session_id":"s","user":)" + userJson + "}" });
        AuthViewModel model(depsOf(stack));
        model.setIsLoginMode(false);
        model.setUsername(u"  "_s);
        model.setPassword(u"六个中文字符"_s);
        model.setInviteCode(u"INV"_s);

        testsupport::runTask(model.registerAccount());
        QVERIFY(model.isAuthenticated());
        QCOMPARE(model.user()->id, 7);
        const QJsonObject sent = json::parse(stack.server.requestsTo(u"/api/auth/register"_s).at(0).body).toObject();
        QCOMPARE(sent.value(u"username"_s).toString(), u"  "_s);
        QCOMPARE(sent.value(u"inviteCode"_s).toString(), u"INV"_s);
        QVERIFY(!sent.contains(u"nickname"_s));
        QVERIFY(!sent.contains(u"email"_s));
        QCOMPARE(model.username(), QString());
        QCOMPARE(model.password(), QString());
        QCOMPARE(model.inviteCode(), QString());
        QVERIFY(!model.isLoginMode());
    }

    void failedLoginKeepsTheForm()
    {
        ClientStack stack;
        stack.server.respond(u"/api/auth/login"_s, { 401, R"({"error":"密码错误"})" });
        AuthViewModel model(depsOf(stack));
        model.setUsername(u"mei"_s);
        model.setPassword(u"wrong-one"_s);
        testsupport::runTask(model.login());
        QVERIFY(!model.isAuthenticated());
        QCOMPARE(model.error(), std::optional<QString>(u"密码错误"_s));
        QCOMPARE(model.username(), u"mei"_s);
        QCOMPARE(model.password(), u"wrong-one"_s);
        QVERIFY(!model.isLoading());
    }

    void logoutSignsOutEvenWhenTheServerFails()
    {
        ClientStack stack;
        stack.storeSession(ClientStack::user(7, u"Mei"_s));
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":)" + userJson + "}" });
        QVERIFY(stack.connectChannel(ClientStack::user(7, u"Mei"_s)));
        AuthViewModel model(depsOf(stack));
        QVERIFY(model.isAuthenticated());
        stack.server.respond(u"/api/auth/logout"_s, { 503, "{}" });

        testsupport::runTask(model.logout());
        QVERIFY(!model.isAuthenticated());
        QVERIFY(!model.user());
        QVERIFY(!stack.ws.isConnected());
        QVERIFY(!stack.store->contains(u"auth_token"_s));
    }
};

QTEST_GUILESS_MAIN(TestAuthViewModel)
#include "tst_auth_viewmodel.moc"
