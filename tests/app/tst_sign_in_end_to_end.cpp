// Signing in through the login screen against a real morvane-server: an account with
// two-factor on asks for its code, and what the screen says about a failure, the
// server's words and the client's own, is in the interface language from the moment
// it is switched.

#include "ClientAgainstServer.h"
#include "ServerProcess.h"
#include "ServerTestClient.h"
#include "TaskRunner.h"
#include "TotpCodes.h"

#include "app/ContentView.h"
#include "app/MainView.h"
#include "app/MorvaneApp.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/chat/LoginView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;
using testsupport::ServerProcess;

namespace {

template <typename T>
T* child(QWidget* root, const char* name)
{
    return root->findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class TestSignInEndToEnd : public QObject {
    Q_OBJECT

    ServerProcess m_server;
    QByteArray m_secret;
    QStringList m_backupCodes;

    static std::unique_ptr<MorvaneApp> makeApp()
    {
        MorvaneApp::Channel channel { [](qint64) {}, [] {}, [] { return false; } };
        auto app = std::make_unique<MorvaneApp>(std::make_unique<AuthViewModel>(), channel);
        app->show();
        return app;
    }
    static LoginView* loginView(MorvaneApp& app) { return qobject_cast<LoginView*>(app.contentView()->currentScreen()); }
    static bool signedIn(MorvaneApp& app) { return qobject_cast<MainView*>(app.contentView()->currentScreen()) != nullptr; }

    static void setLanguage(AppLanguage language) { LocalizationManager::shared().setLanguage(language); }

    // Types into the form as a person would and presses Return in the last field.
    static void type(LoginView* login, const char* field, const QString& text)
    {
        auto* edit = child<QLineEdit>(login, field);
        edit->clear();
        QTest::keyClicks(edit, text);
        if (text.isEmpty())
            Q_EMIT edit->textEdited(QString());
    }
    static void submitFrom(LoginView* login, const char* field) { QTest::keyClick(child<QLineEdit>(login, field), Qt::Key_Return); }

    // The shown error once the sign-in under way has finished.
    static QString errorAfterSubmit(MorvaneApp& app)
    {
        LoginView* login = loginView(app);
        if (!login)
            return u"(signed in)"_s;
        if (!QTest::qWaitFor([&] { return !app.authViewModel()->isLoading(); }, testsupport::kPatienceMs))
            return u"(still loading)"_s;
        auto* error = child<QLabel>(login, "loginError");
        return error->isVisible() ? error->text() : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        setLanguage(AppLanguage::zhHans);
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        testsupport::useServerSignedOut(m_server);
        ApiClient carol(m_server.baseUrl());
        carol.registerUser(u"carol"_s, u"carol-pass"_s);
        const QJsonObject setup = carol.mutation(u"user.setupMFA"_s).data().toObject();
        m_secret = Totp::fromBase32(setup.value("secret"_L1).toString()).value_or(QByteArray());
        for (const QJsonValue& code : setup.value("backupCodes"_L1).toArray())
            m_backupCodes << code.toString();
        const QJsonObject confirm { { u"code"_s, testtotp::codeAt(m_secret, 0) } };
        QCOMPARE(carol.mutation(u"user.verifyMFA"_s, confirm).status, 200);
        ApiClient plain(m_server.baseUrl());
        plain.registerUser(u"dave"_s, u"dave-pass"_s);
    }

    void cleanup()
    {
        setLanguage(AppLanguage::zhHans);
        testsupport::forgetSignedInAccount();
    }

    // The password alone is not enough: the code field appears with the account kept,
    // a wrong code says so in the language in force, a right one signs in.
    void twoFactorAsksForTheCode()
    {
        auto app = makeApp();
        LoginView* login = loginView(*app);
        auto* code = child<QLineEdit>(login, "codeField");
        QVERIFY(!code->isVisible());

        type(login, "usernameField", u"carol"_s);
        type(login, "passwordField", u"carol-pass"_s);
        submitFrom(login, "passwordField");
        QCOMPARE(errorAfterSubmit(*app), u"请输入验证器应用中的验证码或一个备用码"_s);
        QVERIFY(code->isVisible());
        QVERIFY(code->hasFocus());
        QCOMPARE(child<QLineEdit>(login, "usernameField")->text(), u"carol"_s);
        QCOMPARE(child<QLineEdit>(login, "passwordField")->text(), u"carol-pass"_s);
        QCOMPARE(code->placeholderText(), u"两步验证码或备用码"_s);

        const QString right = testtotp::codeAt(m_secret, 1);
        const QString wrong = right == u"000000" ? u"111111"_s : u"000000"_s;
        struct Attempt {
            AppLanguage language;
            QString placeholder;
            QString error;
        };
        const QList<Attempt> attempts {
            { AppLanguage::zhHans, u"两步验证码或备用码"_s, u"验证码不正确"_s },
            { AppLanguage::vi, u"Mã xác thực hoặc mã dự phòng"_s, u"Mã không đúng"_s },
            { AppLanguage::en, u"Authentication code or backup code"_s, u"The code is not correct"_s },
        };
        for (const Attempt& attempt : attempts) {
            setLanguage(attempt.language);
            QCOMPARE(code->placeholderText(), attempt.placeholder);
            type(login, "codeField", wrong);
            submitFrom(login, "codeField");
            QCOMPARE(errorAfterSubmit(*app), attempt.error);
            QVERIFY(code->isVisible());
        }

        type(login, "codeField", right);
        QTest::mouseClick(child<QPushButton>(login, "submitButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(signedIn(*app), 20000);
        QVERIFY(!app->authViewModel()->isCodeRequired());
        QVERIFY(app->authViewModel()->code().isEmpty());
    }

    // A backup code signs in once; spent, it is a wrong code like any other.
    void backupCodeWorksOnce()
    {
        for (const bool spent : { false, true }) {
            auto app = makeApp();
            LoginView* login = loginView(*app);
            type(login, "usernameField", u"carol"_s);
            type(login, "passwordField", u"carol-pass"_s);
            submitFrom(login, "passwordField");
            QVERIFY(!errorAfterSubmit(*app).isEmpty());
            type(login, "codeField", m_backupCodes.value(4));
            submitFrom(login, "codeField");
            if (spent) {
                QCOMPARE(errorAfterSubmit(*app), u"验证码不正确"_s);
                continue;
            }
            QTRY_VERIFY_WITH_TIMEOUT(signedIn(*app), 20000);
            testsupport::runTask(app->authViewModel()->logout());
        }
    }

    // Without two-factor nothing changes, and a failure the screen words itself or
    // the server words follows a language switch made while the screen is open.
    void failuresInTheInterfaceLanguage_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<QString>("serverWords");
        QTest::addColumn<QString>("ownWords");
        QTest::newRow("zh-Hans") << AppLanguage::zhHans << u"用户名或密码错误"_s << u"请输入用户名和密码"_s;
        QTest::newRow("en") << AppLanguage::en << u"Wrong user name or password"_s << u"Please enter your user name and password"_s;
        QTest::newRow("vi") << AppLanguage::vi << u"Sai tên người dùng hoặc mật khẩu"_s << u"Vui lòng nhập tên người dùng và mật khẩu"_s;
    }
    void failuresInTheInterfaceLanguage()
    {
        QFETCH(AppLanguage, language);
        QFETCH(QString, serverWords);
        QFETCH(QString, ownWords);
        auto app = makeApp();
        LoginView* login = loginView(*app);
        // Switched while the screen is open, from another language.
        setLanguage(language == AppLanguage::en ? AppLanguage::vi : AppLanguage::en);
        setLanguage(language);
        type(login, "usernameField", u"dave"_s);
        type(login, "passwordField", u"not-daves"_s);
        submitFrom(login, "passwordField");
        QCOMPARE(errorAfterSubmit(*app), serverWords);
        QVERIFY(!child<QLineEdit>(login, "codeField")->isVisible());

        type(login, "passwordField", QString());
        submitFrom(login, "passwordField");
        QCOMPARE(errorAfterSubmit(*app), ownWords);

        type(login, "passwordField", u"dave-pass"_s);
        submitFrom(login, "passwordField");
        QTRY_VERIFY_WITH_TIMEOUT(signedIn(*app), 20000);
        testsupport::runTask(app->authViewModel()->logout());
    }
};

QTEST_MAIN(TestSignInEndToEnd)
#include "tst_sign_in_end_to_end.moc"
