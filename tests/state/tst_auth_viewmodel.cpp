#include "ClientStack.h"

#include "state/account/ProfileEditViewModel.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"

#include <QNetworkReply>

using namespace Qt::StringLiterals;

namespace {

const QByteArray userJson = R"({"id":7,"openId":"o7","name":"Mei"})";
const QByteArray renamedJson = R"({"id":7,"openId":"o7","name":"Mei Lin"})";
const QByteArray profileJson = R"({"id":7,"openId":"o7","name":"Mei","bio":"hi","email":"mei@mail.test","gender":"female"})";

AuthViewModel::Dependencies depsOf(ClientStack& stack)
{
    return AuthViewModel::Dependencies { &stack.auth, &stack.keychain, &stack.ws, &stack.api };
}

// How a call failed; nothing when it succeeded or did not finish.
std::optional<APIError> failureOf(QCoro::Task<QJsonValue> call, int timeoutMs = 15000)
{
    try {
        testsupport::runTask(std::move(call), timeoutMs);
    } catch (const APIError& error) {
        return error;
    } catch (...) {
    }
    return std::nullopt;
}

bool isRefused(QCoro::Task<QJsonValue> call)
{
    const std::optional<APIError> error = failureOf(std::move(call));
    return error && error->kind() == APIError::Kind::HttpError;
}

} // namespace

class TestAuthViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Expected texts are the Chinese ones, whatever the machine's language.
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
    }

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
        // A form shown at start asks to sign in, not to register.
        QVERIFY(model.isLoginMode());
        if (signedIn)
            QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 1);
        QVERIFY(stack.roundTrip());
        QCOMPARE(stack.requestCount(u"/api/auth/me"_s), signedIn ? 1 : 0);
    }

    // Only a refused token ends the session (and deletes it, saying why); a failing server keeps it.
    void sessionCheck_data()
    {
        QTest::addColumn<bool>("atStart"); // the background check of a restored session, else a user refresh
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("name"); // empty: signed out

        for (bool atStart : { true, false }) {
            const char* when = atStart ? "start" : "refresh";
            QTest::addRow("%s: confirmed", when) << atStart << 200 << u"Mei Lin"_s;
            QTest::addRow("%s: token refused", when) << atStart << 401 << QString();
            QTest::addRow("%s: server error", when) << atStart << 503 << (atStart ? u"Mei"_s : u"Mei Lin"_s);
        }
    }

    void sessionCheck()
    {
        QFETCH(bool, atStart);
        QFETCH(int, status);
        QFETCH(QString, name);
        ClientStack stack;
        if (!atStart)
            stack.server.respondOnce(u"/api/auth/me"_s, { 200, R"({"user":)" + renamedJson + "}" });
        stack.server.respond(u"/api/auth/me"_s, { status, status == 200 ? R"({"user":)" + renamedJson + "}" : "{}" });
        stack.server.respond(u"/api/auth/refresh"_s, { 401, "{}" });
        stack.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        stack.keychain.save(userJson, u"cached_user"_s);
        stack.keychain.saveText(u"t"_s, u"auth_token"_s);

        static QStringList authLines;
        authLines.clear();
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& line) {
            if (line.startsWith(u"[Auth]"_s))
                authLines << line;
        });
        AuthViewModel model(depsOf(stack));
        // The start check is over: the user replaced, signed out, or a line says why the session stays.
        QTRY_VERIFY(!model.isAuthenticated() || model.user()->name == u"Mei Lin"_s
                    || (status == 503 && !authLines.isEmpty()));
        if (!atStart) {
            authLines.clear();
            testsupport::runTask(model.refreshCurrentUser());
        }
        qInstallMessageHandler(nullptr);
        // The server ended the session itself: there is nothing to sign out of there.
        QCOMPARE(stack.requestCount(u"/api/auth/logout"_s), 0);
        if (status == 401 && atStart)
            QVERIFY(authLines.filter(u"[Auth] Cached token is invalid, logging out: "_s).size() == 1);
        QCOMPARE(model.errorText().isEmpty(), !name.isEmpty());
        QCOMPARE(model.isAuthenticated(), !name.isEmpty());
        QCOMPARE(model.user() ? model.user()->name : QString(), name);
        QCOMPARE(stack.store->contains(u"auth_token"_s), !name.isEmpty());
        QCOMPARE(stack.store->contains(u"cached_user"_s), !name.isEmpty());
    }

    // At launch the restored session's check and the user refresh run together; with
    // an expired token both are refused. One refresh must save the session for both.
    void expiredTokenAtStartIsRefreshedOnce()
    {
        ClientStack stack;
        stack.server.respondOnce(u"/api/auth/me"_s, { 401, "{}" });
        stack.server.respondOnce(u"/api/auth/me"_s, { 401, "{}" });
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":)" + renamedJson + "}" });
        stack.server.respond(u"/api/auth/refresh"_s, { 200, R"({"app_session_id":"t2","refresh_token":"r2"})", {}, true });
        stack.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        stack.keychain.save(userJson, u"cached_user"_s);
        stack.keychain.saveText(u"t"_s, u"auth_token"_s);
        stack.keychain.saveText(u"r"_s, u"refresh_token"_s);
        stack.api.setTokenRefresher([&stack] { return stack.auth.refreshToken(); });

        AuthViewModel model(depsOf(stack));
        auto userRefresh = model.refreshCurrentUser();
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 2);
        QTRY_COMPARE(stack.requestCount(u"/api/auth/refresh"_s), 1);
        stack.server.release(u"/api/auth/refresh"_s);
        testsupport::runTask(std::move(userRefresh));
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 4);
        QTRY_VERIFY(!stack.api.isRefreshing());

        QCOMPARE(stack.requestCount(u"/api/auth/refresh"_s), 1);
        QCOMPARE(stack.requestCount(u"/api/auth/logout"_s), 0);
        QVERIFY(model.isAuthenticated());
        QCOMPARE(model.user()->name, u"Mei Lin"_s);
        QCOMPARE(stack.keychain.loadText(u"auth_token"_s).value_or(QString()), u"t2"_s);
        QCOMPARE(stack.keychain.loadText(u"refresh_token"_s).value_or(QString()), u"r2"_s);
    }

    void validatesTheFormBeforeAnyRequest_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("error");

        const QString empty = u"请输入用户名和密码"_s;
        QTest::newRow("login, no user name") << false << u""_s << u"secret"_s << empty;
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
        QVERIFY(stack.server.requests().isEmpty());
    }

    // A sign-up leaves unset fields out and clears the form; a refused login keeps it
    // and shows the server's text, or the form's own failure when the server gave none.
    void submitsTheForm_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::addColumn<QByteArray>("reply"); // status, space, body
        QTest::addColumn<QString>("error"); // empty: signed in
        const QByteArray signedUp = "200 " + QByteArray(R"({"app_session_id":"s","user":)") + userJson + "}";
        const LocalizationManager& language = LocalizationManager::shared();
        QTest::newRow("register") << true << signedUp << QString();
        QTest::newRow("login refused") << false << QByteArray(R"(401 {"error":"密码错误"})") << u"密码错误"_s;
        QTest::newRow("login refused without words") << false << QByteArray("401 {}") << language.localizedString(u"auth.login_failed"_s);
        QTest::newRow("register answered without a user") << true << QByteArray("200 {}")
                                                          << language.localizedString(u"auth.register_failed"_s);
    }

    void submitsTheForm()
    {
        QFETCH(bool, registering);
        QFETCH(QByteArray, reply);
        QFETCH(QString, error);
        ClientStack stack;
        stack.server.respond(registering ? u"/api/auth/register"_s : u"/api/auth/login"_s, { reply.left(3).toInt(), reply.mid(4) });
        AuthViewModel model(depsOf(stack));
        model.setUsername(u"mei"_s);
        model.setPassword(u"六个中文字符"_s);
        model.setInviteCode(u"INVITE-7"_s);
        testsupport::runTask(registering ? model.registerAccount() : model.login());
        QCOMPARE(model.isAuthenticated(), error.isEmpty());
        QCOMPARE(model.error().value_or(QString()), error);
        QCOMPARE(model.password(), error.isEmpty() ? QString() : u"六个中文字符"_s);
        // The code was spent on this account: the form keeps none for the next one.
        QCOMPARE(model.inviteCode(), error.isEmpty() ? QString() : u"INVITE-7"_s);
        if (registering) {
            const QJsonObject sent = json::parse(stack.server.requestsTo(u"/api/auth/register"_s).at(0).body).toObject();
            QVERIFY(!sent.contains(u"nickname"_s) && !sent.contains(u"email"_s));
            QCOMPARE(sent.value(u"inviteCode"_s).toString(), u"INVITE-7"_s);
        }
    }

    // Only a refusal marked as wanting the second factor asks for a code; from then on
    // each sign-in sends it, until the mode changes or a sign-in succeeds. A server that
    // never marks its refusals gets the form as it always was.
    void asksForTheCodeOnlyWhenTheServerDoes_data()
    {
        QTest::addColumn<QByteArray>("refusal");
        QTest::addColumn<bool>("asks");
        QTest::newRow("marked") << QByteArray(R"({"error":"Enter the code","mfaRequired":true})") << true;
        QTest::newRow("not marked") << QByteArray(R"({"error":"Enter the code"})") << false;
    }
    void asksForTheCodeOnlyWhenTheServerDoes()
    {
        QFETCH(QByteArray, refusal);
        QFETCH(bool, asks);
        ClientStack stack;
        stack.server.respondOnce(u"/api/auth/login"_s, { 401, refusal });
        stack.server.respondOnce(u"/api/auth/login"_s, { 401, refusal });
        stack.server.respond(u"/api/auth/login"_s, { 200, R"({"app_session_id":"s","user":)" + userJson + "}" });
        AuthViewModel model(depsOf(stack));
        model.setUsername(u"mei"_s);
        model.setPassword(u"secret"_s);
        testsupport::runTask(model.login());
        QCOMPARE(model.isCodeRequired(), asks);
        QCOMPARE(model.errorText(), u"Enter the code"_s);
        QCOMPARE(model.username(), u"mei"_s);

        model.setCode(u"123456"_s);
        testsupport::runTask(model.login());
        const QJsonObject sent = json::parse(stack.server.requestsTo(u"/api/auth/login"_s).at(1).body).toObject();
        QCOMPARE(sent.value(u"code"_s).toString(), asks ? u"123456"_s : QString());

        model.setIsLoginMode(false);
        model.setIsLoginMode(true);
        QVERIFY(!model.isCodeRequired());

        testsupport::runTask(model.login());
        QVERIFY(model.isAuthenticated());
        QVERIFY(!model.isCodeRequired());
    }

    // The server ends the session when it refuses the refresh: signed out here as by
    // the user's own sign-out (tokens gone, channel closed, login screen in sign-in
    // mode) and the reason shown in the interface language. A refresh that gets no
    // answer keeps the session.
    void serverEndedSessionSignsOutWithTheReason_data()
    {
        QTest::addColumn<bool>("refreshTokenStored");
        QTest::addColumn<QByteArray>("refreshReply"); // status, space, body
        QTest::addColumn<QString>("reasonKey"); // empty: still signed in
        // The server refuses an expired refresh token and one of a session ended
        // elsewhere alike: the session has run out.
        QTest::newRow("refresh token refused") << true << QByteArray(R"(401 {"error":"The refresh token is not valid"})")
                                               << u"auth.ended_expired"_s;
        QTest::newRow("refresh answered without a token") << true << QByteArray(R"(200 {"error":"nope"})")
                                                          << u"auth.ended_elsewhere"_s;
        QTest::newRow("suspended") << true << QByteArray(R"(403 {"error":"banned"})") << u"auth.ended_suspended"_s;
        QTest::newRow("no refresh token") << false << QByteArray("200 {}") << u"auth.ended_expired"_s;
        QTest::newRow("server failing") << true << QByteArray("503 {}") << QString();
    }
    void serverEndedSessionSignsOutWithTheReason()
    {
        QFETCH(bool, refreshTokenStored);
        QFETCH(QByteArray, refreshReply);
        QFETCH(QString, reasonKey);
        LocalizationManager& language = LocalizationManager::shared();
        const AppLanguage first = language.currentLanguage();
        language.setLanguage(AppLanguage::en);
        ClientStack stack;
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":)" + userJson + "}" });
        QVERIFY(stack.connectChannel(ClientStack::user(7, u"Mei"_s)));
        if (refreshTokenStored)
            stack.keychain.saveText(u"r"_s, u"refresh_token"_s);
        stack.api.setTokenRefresher([&stack] { return stack.auth.refreshToken(); });
        AuthViewModel model(depsOf(stack));
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 1);
        model.setIsLoginMode(false);

        stack.server.respond(u"/api/auth/me"_s, { 401, "{}" });
        stack.server.respond(u"/api/auth/refresh"_s, { refreshReply.left(3).toInt(), refreshReply.mid(4) });
        testsupport::runTask(model.refreshCurrentUser());

        QCOMPARE(model.isAuthenticated(), reasonKey.isEmpty());
        QCOMPARE(stack.store->contains(u"auth_token"_s), reasonKey.isEmpty());
        QCOMPARE(stack.store->contains(u"cached_user"_s), reasonKey.isEmpty());
        QCOMPARE(stack.ws.intentionalDisconnect(), !reasonKey.isEmpty());
        QCOMPARE(model.isLoginMode(), !reasonKey.isEmpty());
        QCOMPARE(stack.requestCount(u"/api/auth/logout"_s), 0);
        if (reasonKey.isEmpty()) {
            QCOMPARE(model.errorText(), QString());
        } else {
            QCOMPARE(model.errorText(), language.localizedString(reasonKey));
            language.setLanguage(AppLanguage::vi);
            QCOMPARE(model.errorText(), language.localizedString(reasonKey));
            QVERIFY(model.errorText() != language.bundle(AppLanguage::en).localizedString(reasonKey));
        }
        language.setLanguage(first);
    }

    // Every acceptance of the live channel reads the account again, so a role changed
    // on the server shows without signing in again.
    void everyChannelAuthenticationRereadsTheAccount()
    {
        ClientStack stack;
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":{"id":7,"openId":"o7","name":"Mei","role":"admin"}})" });
        stack.storeSession(ClientStack::user(7, u"Mei"_s));
        AuthViewModel model(depsOf(stack));
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 1);
        QVERIFY(stack.connectChannel(ClientStack::user(7, u"Mei"_s)));
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 2);
        QTRY_COMPARE(model.user()->role, std::optional(u"admin"_s));
        stack.ws.connect(7);
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 3);
    }

    // An answer belongs to the session that asked for it. An account read, the token
    // refresh it leads to, or the read's repeat after that refresh, held by the server
    // until after a sign-out or after a sign-in as someone else, changes nothing when
    // it comes: signed out stays signed out with nothing stored, the new account stays
    // with its own tokens, and no refresh is spent on it.
    void lateAnswerOfAnEndedSessionChangesNothing_data()
    {
        QTest::addColumn<QString>("held"); // "read", "refresh" or "repeat"
        QTest::addColumn<int>("answer"); // the held answer's status
        QTest::addColumn<bool>("signInAsAnother"); // after the sign-out

        for (const char* held : { "read", "refresh", "repeat" }) {
            for (int answer : { 200, 401, 403 }) {
                for (bool another : { false, true }) {
                    QTest::addRow("%s %s, then %s", held, answer == 200 ? "accepted" : answer == 401 ? "refused" : "forbidden",
                                  another ? "signed in as another" : "signed out")
                        << QString::fromLatin1(held) << answer << another;
                }
            }
        }
    }
    void lateAnswerOfAnEndedSessionChangesNothing()
    {
        QFETCH(QString, held);
        QFETCH(int, answer);
        QFETCH(bool, signInAsAnother);
        ClientStack stack;
        stack.api.setTokenRefresher([&stack] { return stack.auth.refreshToken(); });
        stack.storeSession(ClientStack::user(7, u"Mei"_s), u"t7"_s);
        stack.keychain.saveText(u"r7"_s, u"refresh_token"_s);
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":)" + renamedJson + "}" });
        AuthViewModel model(depsOf(stack));
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 1);
        QTRY_COMPARE(model.user()->name, u"Mei Lin"_s);

        const bool heldRefresh = held == u"refresh"_s;
        const QString heldPath = heldRefresh ? u"/api/auth/refresh"_s : u"/api/auth/me"_s;
        const QByteArray newTokens = R"({"app_session_id":"t7b","refresh_token":"r7b","expiresIn":60})";
        const QByteArray accepted = heldRefresh ? newTokens : R"({"user":)" + renamedJson + "}";
        if (held != u"read"_s)
            stack.server.respondOnce(u"/api/auth/me"_s, { 401, "{}" });
        if (held == u"repeat"_s)
            stack.server.respondOnce(u"/api/auth/refresh"_s, { 200, newTokens });
        stack.server.respondOnce(heldPath, { answer, answer == 200 ? accepted : QByteArray(R"({"error":"revoked"})"), {}, true });
        // Anything else the old session might still send is refused, as after a real sign-out.
        stack.server.respond(u"/api/auth/refresh"_s, { 401, R"({"error":"revoked"})" });
        stack.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        stack.server.respond(u"/api/auth/login"_s,
                             { 200, R"({"app_session_id":"t8","refresh_token":"r8","user":{"id":8,"openId":"o8","name":"Bo"}})" });
        auto read = model.refreshCurrentUser();
        QTRY_COMPARE(stack.requestCount(heldPath), held == u"read"_s ? 2 : held == u"refresh"_s ? 1 : 3);
        // Another call of the old session waits for its refresh.
        std::optional<QCoro::Task<QJsonValue>> waiting;
        if (heldRefresh) {
            stack.server.respondOnce(procedure("vip.status"), { 401, "{}" });
            waiting = stack.api.query<QJsonValue>(u"vip.status"_s);
            QTRY_COMPARE(stack.requestCount(procedure("vip.status")), 1);
        }

        testsupport::runTask(model.logout());
        QVERIFY(!model.isAuthenticated());
        if (signInAsAnother) {
            model.setUsername(u"bo"_s);
            model.setPassword(u"secret"_s);
            testsupport::runTask(model.login());
            QCOMPARE(model.user()->id, qint64(8));
        }
        // The old session's refresh is nobody's now: a refusal of the new session would not
        // wait for it, and the old call that did has ended.
        QVERIFY(!stack.api.isRefreshing());
        if (waiting) {
            const std::optional<APIError> error = failureOf(std::move(*waiting), 0);
            QVERIFY(error && error->kind() == APIError::Kind::Transport);
            QCOMPARE(error->code(), int(QNetworkReply::OperationCanceledError));
        }
        const int meReads = stack.requestCount(u"/api/auth/me"_s);
        static QStringList verdicts;
        verdicts.clear();
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& line) {
            if (line.startsWith(u"[Auth] Could not"_s) || line.startsWith(u"[Auth] Session no longer valid"_s))
                verdicts << line;
        });
        stack.server.release(heldPath);
        testsupport::runTask(std::move(read));
        QVERIFY(stack.roundTrip());
        qInstallMessageHandler(nullptr);
        // Not even a word about the ended session's answer.
        QCOMPARE(verdicts, QStringList());

        QCOMPARE(model.isAuthenticated(), signInAsAnother);
        QCOMPARE(model.user() ? model.user()->id : qint64(0), qint64(signInAsAnother ? 8 : 0));
        QCOMPARE(model.errorText(), QString());
        QCOMPARE(stack.keychain.loadText(u"auth_token"_s), signInAsAnother ? std::optional(u"t8"_s) : std::nullopt);
        QCOMPARE(stack.keychain.loadText(u"refresh_token"_s), signInAsAnother ? std::optional(u"r8"_s) : std::nullopt);
        QCOMPARE(stack.auth.getCachedUser().has_value(), signInAsAnother);
        if (signInAsAnother)
            QCOMPARE(stack.auth.getCachedUser()->id, qint64(8));
        // Neither a repeat of the old read nor a refresh of anyone's token.
        QCOMPARE(stack.requestCount(u"/api/auth/me"_s), meReads);
        QCOMPARE(stack.requestCount(u"/api/auth/refresh"_s), held == u"read"_s ? 0 : 1);
        QVERIFY(!stack.api.isRefreshing());
    }

    // A call refused with 403 may mean the account lost a role: the account is read
    // again, once for a burst of refusals, and not again for a refused read itself.
    void forbiddenCallRereadsTheAccount()
    {
        ClientStack stack;
        stack.storeSession(ClientStack::user(7, u"Mei"_s));
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":{"id":7,"openId":"o7","name":"Mei","role":"admin"}})" });
        AuthViewModel model(depsOf(stack));
        QTRY_COMPARE(model.user()->role, std::optional(u"admin"_s));
        const int before = stack.requestCount(u"/api/auth/me"_s);

        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":{"id":7,"openId":"o7","name":"Mei"}})", {}, true });
        stack.server.respond(procedure("admin.getStats"), { 403, R"({"error":"not an administrator"})" });
        for (int i = 0; i < 3; ++i)
            QVERIFY(isRefused(stack.api.query<QJsonValue>(u"admin.getStats"_s)));
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), before + 1);
        stack.server.release(u"/api/auth/me"_s);
        QTRY_COMPARE(model.user()->role, std::nullopt);

        // The read itself refused with 403 keeps the session and asks no more.
        stack.server.respond(u"/api/auth/me"_s, { 403, R"({"error":"suspended"})" });
        QVERIFY(isRefused(stack.api.query<QJsonValue>(u"admin.getStats"_s)));
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), before + 2);
        QVERIFY(stack.roundTrip());
        QCOMPARE(stack.requestCount(u"/api/auth/me"_s), before + 2);
        QVERIFY(model.isAuthenticated());
    }

    // Signing out leaves the form as it stands: its mode, its fields and its message.
    void logoutKeepsTheForm_data()
    {
        QTest::addColumn<bool>("loginMode");
        QTest::addColumn<bool>("withMessage");
        QTest::newRow("registering, with a message") << false << true;
        QTest::newRow("signing in, no message") << true << false;
    }
    void logoutKeepsTheForm()
    {
        QFETCH(bool, loginMode);
        QFETCH(bool, withMessage);
        ClientStack stack;
        stack.storeSession(ClientStack::user(7, u"Mei"_s));
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":)" + userJson + "}" });
        stack.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        AuthViewModel model(depsOf(stack));
        model.setIsLoginMode(loginMode);
        model.setUsername(u"ann"_s);
        model.setNickname(u"Ann"_s);
        if (withMessage)
            testsupport::runTask(model.login()); // no password: the form says so and sends nothing
        const QString message = model.errorText();
        QCOMPARE(message.isEmpty(), !withMessage);
        testsupport::runTask(model.logout());
        QVERIFY(!model.isAuthenticated());
        QCOMPARE(model.isLoginMode(), loginMode);
        QCOMPARE(model.username(), u"ann"_s);
        QCOMPARE(model.nickname(), u"Ann"_s);
        QCOMPARE(model.errorText(), message);
        QVERIFY(!model.isLoading());
    }

    // What one account left unsent (failed, or still on its way) is neither shown nor
    // sent once it has signed out, or once another account is signed in (the
    // application then connects the channel for that account).
    void accountChangeLeavesNothingUnsent_data()
    {
        QTest::addColumn<bool>("signOut"); // else: the server names another user
        QTest::newRow("signed out") << true;
        QTest::newRow("another user signed in") << false;
    }
    void accountChangeLeavesNothingUnsent()
    {
        QFETCH(bool, signOut);
        ClientStack stack;
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":)" + userJson + "}" });
        stack.server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        QVERIFY(stack.connectChannel(ClientStack::user(7, u"Mei"_s)));
        AuthViewModel model(depsOf(stack));
        // The restored session's check has read the server's record of the account.
        QTRY_COMPARE(model.user()->openId, u"o7"_s);
        QObject::connect(&model, &AuthViewModel::userChanged, &model, [&] {
            if (model.user())
                stack.ws.connect(model.user()->id);
        });
        Message failed;
        failed.id = -1;
        failed.conversationId = 3;
        failed.senderId = 7;
        failed.type = u"text"_s;
        failed.status = u"failed"_s;
        failed.clientMessageId = u"c1"_s;
        Message sending = failed;
        sending.id = -2;
        sending.status = u"sending"_s;
        sending.clientMessageId = u"c2"_s;
        stack.unsent.add(failed);
        stack.unsent.add(sending);
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":{"id":8,"openId":"o8","name":"Other"}})" });
        stack.ws.sendChatMessage(QJsonObject { { u"type"_s, u"message_send"_s },
                                               { u"payload"_s, QJsonObject { { u"clientMsgId"_s, u"c2"_s }, { u"conversationId"_s, 3 } } } });
        QTRY_COMPARE(stack.peer.framesOfType(u"message_send"_s).size(), 1);
        QCOMPARE(stack.unsent.messagesOf(3, 7).size(), 2);

        if (signOut)
            testsupport::runTask(model.logout());
        else
            testsupport::runTask(model.refreshCurrentUser());
        QCOMPARE(model.isAuthenticated(), !signOut);
        QVERIFY(stack.unsent.messagesOf(3, 7).isEmpty());
        QVERIFY(stack.ws.unacknowledgedMessages().isEmpty());
        if (signOut)
            return;
        QTRY_VERIFY(stack.ws.isConnected());
        QCOMPARE(stack.ws.currentUserId(), std::optional<qint64>(8));
        // The new account's own frame is through: what was queued before it would be too.
        stack.ws.sendTyping(1);
        QTRY_COMPARE(stack.peer.framesOfType(u"typing"_s).size(), 1);
        QCOMPARE(stack.peer.framesOfType(u"message_send"_s).size(), 1);
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
        QVERIFY(!stack.ws.isConnected());
        QVERIFY(!stack.store->contains(u"auth_token"_s));
    }

    void profileSave_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("stored") << 200;
        QTest::newRow("refused") << 400;
    }

    // The editor starts from the signed-in user and sends its five fields as typed.
    // Stored: the user is read again before the editor says it is done. Refused: the
    // fields stay and the editor says why. Busy while the save runs, either way.
    void profileSave()
    {
        QFETCH(int, status);
        ClientStack stack;
        stack.keychain.save(profileJson, u"cached_user"_s);
        stack.keychain.save("t", u"auth_token"_s);
        stack.server.respondOnce(u"/api/auth/me"_s, { 200, R"({"user":)" + profileJson + "}" });
        stack.server.respond(u"/api/auth/me"_s, { 200, R"({"user":)" + renamedJson + "}" });
        AuthViewModel auth(depsOf(stack));
        QTRY_COMPARE(stack.requestCount(u"/api/auth/me"_s), 1);
        QVERIFY(stack.roundTrip());

        ProfileEditViewModel editor(&auth, stack.auth);
        editor.loadFromUser();
        QCOMPARE((QStringList { editor.name, editor.bio, editor.email, editor.gender, editor.region }),
                 (QStringList { u"Mei"_s, u"hi"_s, u"mei@mail.test"_s, u"female"_s, QString() }));
        editor.name = u"Mei Lin"_s;
        editor.region = u"Hanoi"_s;
        stack.server.respond(procedure("user.updateProfile"),
                             status == 200 ? ok("null") : RecordingHttpServer::Reply { 400, R"({"error":"Name is too long"})" });
        QList<bool> busy;
        connect(&editor, &ProfileEditViewModel::isSavingChanged, this, [&] { busy << editor.isSaving(); });
        QStringList savedAs;
        connect(&editor, &ProfileEditViewModel::saved, this, [&] { savedAs << auth.user().value_or(User {}).name; });
        QSignalSpy failed(&editor, &ProfileEditViewModel::errorChanged);
        testsupport::runTask(editor.saveProfile());

        QCOMPARE(stack.input("user.updateProfile"),
                 (QJsonObject { { u"name"_s, u"Mei Lin"_s }, { u"bio"_s, u"hi"_s }, { u"email"_s, u"mei@mail.test"_s },
                                { u"gender"_s, u"female"_s }, { u"region"_s, u"Hanoi"_s } }));
        QCOMPARE(busy, (QList<bool> { true, false }));
        QCOMPARE(savedAs, status == 200 ? QStringList { u"Mei Lin"_s } : QStringList());
        QCOMPARE(stack.requestCount(u"/api/auth/me"_s), status == 200 ? 2 : 1);
        QCOMPARE(editor.errorText(), status == 200 ? QString() : u"Name is too long"_s);
        QCOMPARE(failed.count(), status == 200 ? 0 : 1);
        QCOMPARE(editor.name, u"Mei Lin"_s);
    }

    // Without a signed-in user the editor keeps what it holds.
    void profileEditorWithoutAUser()
    {
        ClientStack stack;
        AuthViewModel auth(depsOf(stack));
        ProfileEditViewModel editor(&auth, stack.auth);
        editor.name = u"typed"_s;
        editor.loadFromUser();
        QCOMPARE(editor.name, u"typed"_s);
    }
};

QTEST_GUILESS_MAIN(TestAuthViewModel)
#include "tst_auth_viewmodel.moc"
