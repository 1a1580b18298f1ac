// The login screen against a recording server: what it sends, and that it sends it once.

#include "ClientStack.h"

#include "app/ContentView.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/chat/LoginView.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/ProminentButton.h"

#include "PaintLog.h"
#include "Snapshot.h"

#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

class TestLoginView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Appearance::install();
        Snapshot::holdStill();
    }

    // The sign-in mark is drawn by the program, so the first window never waits for the
    // icon theme: it shows in the accent colour even where no theme can be found.
    void signInMarkNeedsNoIconTheme()
    {
        const QString theme = QIcon::themeName();
        const QStringList paths = QIcon::themeSearchPaths();
        QIcon::setThemeSearchPaths({});
        QIcon::setThemeName(u"no-such-theme"_s);
        // Built with no error to show, the error line asks for no negative height.
        QTest::failOnWarning(QRegularExpression(u"Negative sizes"_s));
        ClientStack stack;
        AuthViewModel model(AuthViewModel::Dependencies { &stack.auth, &stack.keychain, &stack.ws, &stack.api });
        LoginView view(&model);
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(theme);

        const auto* mark = view.findChild<QLabel*>(u"loginSymbol"_s);
        QVERIFY(mark);
        QCOMPARE(mark->property("symbol").toString(), u"bubble.left.and.bubble.right.fill"_s);
        const QImage image = mark->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size() / mark->pixmap().devicePixelRatio(), QSize(60, 60));
        const auto at = [&image](qreal x, qreal y) { return image.pixelColor(QPoint(int(x * image.width()), int(y * image.height()))); };
        QCOMPARE(at(0.36, 0.38).rgb(), Appearance::accent().rgb()); // the front bubble
        QCOMPARE(at(0.85, 0.6).rgb(), Appearance::accent().rgb()); // the bubble behind
        QCOMPARE(at(0.67, 0.4).alpha(), 0); // the gap cut around the front bubble
        QCOMPARE(at(0.97, 0.03).alpha(), 0);
    }

    // The screen as laid out: the symbol, the title and the subtitle above the form, 24
    // between them; the form's fields in their order, each 300 wide, centred, 16 apart,
    // named by their placeholders (the password masked), then the main button 300 by 32
    // and the mode link, each with its text.
    void formLayout_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::addColumn<QStringList>("fields"); // object name and placeholder key, in order
        QTest::newRow("sign in") << false << QStringList { u"usernameField auth.username"_s, u"passwordField auth.password"_s };
        QTest::newRow("register") << true
                                  << QStringList { u"usernameField auth.username"_s, u"passwordField auth.password"_s,
                                         u"nicknameField auth.nickname"_s, u"inviteCodeField auth.invite_code"_s, u"emailField auth.email"_s };
    }
    void formLayout()
    {
        QFETCH(bool, registering);
        QFETCH(QStringList, fields);
        ClientStack stack;
        AuthViewModel model(AuthViewModel::Dependencies { &stack.auth, &stack.keychain, &stack.ws, &stack.api });
        LoginView view(&model);
        view.resize(700, 800);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        if (registering)
            QTest::mouseClick(view.findChild<QPushButton*>(u"modeSwitchButton"_s), Qt::LeftButton);
        QTRY_COMPARE(model.isLoginMode(), !registering);
        const auto at = [&view](const QWidget* widget) { return QRect(widget->mapTo(&view, QPoint()), widget->size()); };

        auto* subtitle = view.findChild<QLabel*>(u"loginSubtitle"_s);
        QVERIFY(subtitle);
        QCOMPARE(subtitle->text(), Localized::text("auth.mac_subtitle"));
        QList<QLineEdit*> shown;
        for (QLineEdit* edit : view.findChildren<QLineEdit*>()) {
            if (edit->isVisible())
                shown << edit;
        }
        std::sort(shown.begin(), shown.end(), [&](QLineEdit* a, QLineEdit* b) { return at(a).top() < at(b).top(); });
        QCOMPARE(shown.size(), fields.size());
        QTRY_COMPARE(at(shown.first()).top() - (at(subtitle).bottom() + 1), 24);
        for (int i = 0; i < shown.size(); ++i) {
            const QStringList expected = fields.at(i).split(u' ');
            QCOMPARE(shown.at(i)->objectName(), expected.at(0));
            QCOMPARE(shown.at(i)->placeholderText(), Localized::text(expected.at(1).toUtf8().constData()));
            QCOMPARE(shown.at(i)->echoMode(), i == 1 ? QLineEdit::Password : QLineEdit::Normal);
            QCOMPARE(at(shown.at(i)).width(), 300);
            QVERIFY2(qAbs(at(shown.at(i)).center().x() - view.width() / 2) <= 1, qPrintable(QDebug::toString(at(shown.at(i)))));
            if (i > 0)
                QCOMPARE(at(shown.at(i)).top() - (at(shown.at(i - 1)).bottom() + 1), 16);
        }
        auto* submit = view.findChild<QPushButton*>(u"submitButton"_s);
        auto* link = view.findChild<QPushButton*>(u"modeSwitchButton"_s);
        QVERIFY(submit && link);
        QCOMPARE(at(submit).size(), QSize(300, 32));
        QVERIFY(at(submit).top() > at(shown.last()).bottom());
        QVERIFY(at(link).top() > at(submit).bottom());
        QCOMPARE(submit->text(), Localized::text(registering ? "auth.register_button" : "auth.login_button"));
        QCOMPARE(link->text(), Localized::text(registering ? "auth.switch_to_login" : "auth.switch_to_register"));
        VERIFY_SNAPSHOT(&view, registering ? u"register"_s : u"sign-in"_s);
    }

    // The main button in each state: ready, its accent fill with rounded corners of 6 and a
    // white label; pressed, a darker fill; reached by the keyboard, a white frame 3 inside its
    // edge (the focus ring's own colour would vanish on the blue); disabled, grey with a
    // secondary label.
    void mainButtonStates_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("ready") << u"ready"_s;
        QTest::newRow("pressed") << u"pressed"_s;
        QTest::newRow("keyboard focus") << u"focus"_s;
        QTest::newRow("disabled") << u"disabled"_s;
    }
    void mainButtonStates()
    {
        QFETCH(QString, state);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QPushButton(u"Other"_s, &window);
        auto* button = new ProminentButton(&window);
        button->setText(u"Go"_s);
        button->setFixedSize(300, 32);
        layout->addWidget(other);
        layout->addWidget(button);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (state == u"pressed")
            button->setDown(true);
        if (state == u"disabled")
            button->setEnabled(false);
        if (state == u"focus") {
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            other->setFocus();
            QTest::keyClick(other, Qt::Key_Tab);
            QTRY_VERIFY(button->hasFocus());
        }
        PaintLog log(button->size());
        button->render(&log);
        const Painting& p = log.painting();
        const QRectF whole(0, 0, 300, 32);
        std::optional<PaintedItem> fill;
        std::optional<PaintedItem> frame;
        for (const PaintedItem& shape : p.shapes()) {
            if (shape.rect == whole && shape.brush.isValid())
                fill = shape;
            if (shape.pen == QColor(Qt::white) && !shape.brush.isValid())
                frame = shape;
        }
        QVERIFY(fill);
        QCOMPARE(fill->corner, QSizeF(6, 6));
        const auto label = p.text(u"Go"_s);
        QVERIFY2(label, qPrintable(p.allText()));
        QCOMPARE(label->font.weight(), QFont::DemiBold);
        QVERIFY2(qAbs(label->rect.center().x() - 150) <= 1 && qAbs(label->rect.center().y() - 16) <= 2, qPrintable(QDebug::toString(label->rect)));
        if (state == u"disabled") {
            QCOMPARE(fill->brush, Appearance::controlBackground());
            QCOMPARE(label->pen, Appearance::secondaryText());
        } else {
            QCOMPARE(label->pen, QColor(Qt::white));
            if (state == u"pressed")
                QVERIFY2(fill->brush.lightness() < Appearance::accent().lightness(), qPrintable(fill->brush.name()));
            else
                QCOMPARE(fill->brush, Appearance::accent());
        }
        QCOMPARE(frame.has_value(), state == u"focus");
        if (frame)
            QCOMPARE(frame->rect, whole.adjusted(3, 3, -3, -3));
    }

    // The gift symbol is drawn by the program too: a box in the tint, a white ribbon down
    // its middle, a bow of two loops and a knot a shade darker on top.
    void giftSymbolNeedsNoIconTheme()
    {
        const QColor tint(0xff, 0x2d, 0x55);
        const QImage image = Icons::pixmap(u"gift.fill"_s, 50, tint).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(50, 50));
        QCOMPARE(image.pixelColor(12, 36).rgb(), tint.rgb());
        QCOMPARE(image.pixelColor(25, 36).rgb(), QColor(Qt::white).rgb());
        QCOMPARE(image.pixelColor(14, 9).rgb(), tint.rgb());
        QCOMPARE(image.pixelColor(36, 9).rgb(), tint.rgb());
        const QColor knot = image.pixelColor(25, 10);
        QVERIFY2(knot.alpha() == 255 && knot.lightness() < tint.lightness(), qPrintable(knot.name()));
    }

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

        // The main button, 300 by 32: its label white and semibold on the accent; while the
        // sign-in runs, greyed and without a label.
        auto* submit = view.findChild<QPushButton*>(u"submitButton"_s);
        QCOMPARE(submit->size(), QSize(300, 32));
        const auto painted = [submit] {
            PaintLog log(submit->size());
            submit->render(&log);
            return log.painting();
        };
        const auto filled = [](const Painting& painting, const QColor& colour) {
            for (const PaintedItem& shape : painting.shapes()) {
                if (shape.brush == colour && shape.rect.width() >= 300)
                    return true;
            }
            return false;
        };
        const Painting ready = painted();
        const auto label = ready.text(Localized::text("auth.login_button"));
        QVERIFY2(label, qPrintable(ready.allText()));
        QCOMPARE(label->pen, QColor(Qt::white));
        QCOMPARE(label->font.weight(), QFont::DemiBold);
        QVERIFY(filled(ready, Appearance::accent()));

        QTest::keyClick(password, Qt::Key_Return);
        QTRY_COMPARE(stack.requestCount(login), 1);
        QVERIFY(model.isLoading());
        const Painting busy = painted();
        QVERIFY(!busy.text(Localized::text("auth.login_button")));
        QVERIFY(!filled(busy, Appearance::accent()));
        QTest::keyClick(password, Qt::Key_Return);
        QTest::keyClick(password, Qt::Key_Enter);
        QTest::mouseClick(view.findChild<QPushButton*>(u"submitButton"_s), Qt::LeftButton);
        QVERIFY(stack.roundTrip());
        QCOMPARE(stack.requestCount(login), 1);

        stack.server.release(login);
        QTRY_VERIFY(model.isAuthenticated());
        QCOMPARE(stack.requestCount(login), 1);
    }

    // A session the server ended after a registration: the login screen the root view
    // builds next offers signing in and says why, in the interface language.
    void endedSessionReturnsToSignInWithTheReason_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::newRow("en") << AppLanguage::en;
        QTest::newRow("zh-Hans") << AppLanguage::zhHans;
        QTest::newRow("vi") << AppLanguage::vi;
    }
    void endedSessionReturnsToSignInWithTheReason()
    {
        QFETCH(AppLanguage, language);
        LocalizationManager& languages = LocalizationManager::shared();
        const AppLanguage first = languages.currentLanguage();
        const auto restore = qScopeGuard([&] { languages.setLanguage(first); });
        languages.setLanguage(language);
        ClientStack stack;
        stack.server.respond(u"/api/auth/register"_s,
                             { 200, R"({"app_session_id":"a","refresh_token":"r","user":{"id":7,"openId":"o7","name":"Mei"}})" });
        stack.server.respond(u"/api/auth/me"_s, { 401, "{}" });
        stack.server.respond(u"/api/auth/refresh"_s, { 401, R"({"error":"The refresh token is not valid"})" });
        stack.api.setTokenRefresher([&stack] { return stack.auth.refreshToken(); });
        AuthViewModel model(AuthViewModel::Dependencies { &stack.auth, &stack.keychain, &stack.ws, &stack.api });
        model.setIsLoginMode(false);
        model.setUsername(u"mei"_s);
        model.setPassword(u"secret1"_s);
        testsupport::runTask(model.registerAccount());
        QVERIFY(model.isAuthenticated());
        ContentView root(&model);
        QVERIFY(!root.findChild<LoginView*>());

        testsupport::runTask(model.refreshCurrentUser());
        QVERIFY(!model.isAuthenticated());
        auto* view = root.findChild<LoginView*>();
        QVERIFY(view);
        root.resize(460, 620);
        root.show();
        QCOMPARE(view->findChild<QPushButton*>(u"submitButton"_s)->text(), languages.localizedString(u"auth.login_button"_s));
        auto* error = view->findChild<QLabel*>(u"loginError"_s);
        QVERIFY(error->isVisible());
        QCOMPARE(error->text(), languages.localizedString(u"auth.ended_expired"_s));
        // A reason on two lines is shown whole.
        QVERIFY(error->height() >= error->heightForWidth(error->width()));
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        VERIFY_SNAPSHOT(&root, u"sign-in-ended"_s);
    }
};

QTEST_MAIN(TestLoginView)
#include "tst_login_view.moc"
