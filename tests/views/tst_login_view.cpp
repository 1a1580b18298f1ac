// The login screen against a recording server: what it sends, and that it sends it once.

#include "ClientStack.h"

#include "state/AuthViewModel.h"
#include "views/chat/LoginView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

class TestLoginView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Return pressed again (or the button) while a sign-in is under way starts no second one.
    void returnWhileSigningInSendsNothing()
    {
        ClientStack stack;
        const QString login = u"/api/auth/login"_s;
        stack.server.respond(login, { 200, R"({"app_session_id":"a","user":{"id":7,"openId":"o7","name":"Mei"}})", {}, true });
        AuthViewModel model(AuthViewModel::Dependencies { &stack.auth, &stack.keychain, &stack.ws, &stack.api });
        LoginView view(&model);
        view.show();
        auto* password = view.findChild<QLineEdit*>(u"passwordField"_s);
        QTest::keyClicks(view.findChild<QLineEdit*>(u"usernameField"_s), u"mei"_s);
        QTest::keyClicks(password, u"secret1"_s);

        QTest::keyClick(password, Qt::Key_Return);
        QTRY_COMPARE(stack.requestCount(login), 1);
        QVERIFY(model.isLoading());
        QTest::keyClick(password, Qt::Key_Return);
        QTest::keyClick(password, Qt::Key_Enter);
        QTest::mouseClick(view.findChild<QPushButton*>(u"submitButton"_s), Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(stack.requestCount(login), 1);

        stack.server.release(login);
        QTRY_VERIFY(model.isAuthenticated());
        QCOMPARE(stack.requestCount(login), 1);
    }
};

QTEST_MAIN(TestLoginView)
#include "tst_login_view.moc"
