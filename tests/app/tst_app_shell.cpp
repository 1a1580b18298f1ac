// The application shell against a real morvane-server: start signed out, the login
// form, signing in into the three-column window, the connection policy, the
// shortcuts and sheets, section switching, the connection dot and signing out.

#include "ClientAgainstServer.h"
#include "PaintLog.h"
#include "ServerProcess.h"
#include "Snapshot.h"

#include "app/ContentView.h"
#include "app/MainView.h"
#include "app/MorvaneApp.h"
#include "app/QtTranslations.h"
#include "app/SidebarSection.h"
#include "app/SidebarSectionList.h"
#include "app/SidebarView.h"
#include "models/Conversation.h"
#include "TaskRunner.h"
#include "network/AuthService.h"
#include "network/KeychainService.h"
#include "network/WebSocketService.h"
#include "state/chat/AuthViewModel.h"
#include "state/account/FavoritesViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "views/account/FavoritesView.h"
#include "views/account/FileManagementView.h"
#include "views/account/GeneralSettingsView.h"
#include "views/chat/AvatarView.h"
#include "views/chat/ChatView.h"
#include "views/chat/LoginView.h"
#include "views/contacts/SearchView.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QLibraryInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QProxyStyle>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using testsupport::ServerProcess;

namespace {

struct Recorded {
    QList<qint64> connects;
    int disconnects = 0;
};

template <typename T>
T* child(QWidget* root, const char* name)
{
    return root->findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class TestAppShell : public QObject {
    Q_OBJECT

    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    Recorded m_recorded;

    std::unique_ptr<MorvaneApp> makeApp(bool realChannel = false)
    {
        m_recorded = {};
        MorvaneApp::Channel channel {
            [this](qint64 id) { m_recorded.connects << id; },
            [this] { ++m_recorded.disconnects; },
            [] { return false; },
        };
        auto app = realChannel ? std::make_unique<MorvaneApp>()
                               : std::make_unique<MorvaneApp>(std::make_unique<AuthViewModel>(), channel);
        return app;
    }

    // The account the next app finds at its start: none, or Alice's session.
    static void signedOut() { testsupport::forgetSignedInAccount(); }
    static bool signedInAsAlice()
    {
        try {
            return testsupport::runTask(AuthService::shared().login(QStringLiteral("alice"), QStringLiteral("alice123"))).user.has_value();
        } catch (...) {
            return false;
        }
    }

    static LoginView* loginView(MorvaneApp& app) { return qobject_cast<LoginView*>(app.contentView()->currentScreen()); }
    static MainView* mainView(MorvaneApp& app) { return qobject_cast<MainView*>(app.contentView()->currentScreen()); }

    void signIn(MorvaneApp& app, const QString& user, const QString& password)
    {
        LoginView* login = loginView(app);
        QVERIFY(login);
        QTest::keyClicks(child<QLineEdit>(login, "usernameField"), user);
        QTest::keyClicks(child<QLineEdit>(login, "passwordField"), password);
        QTest::keyClick(child<QLineEdit>(login, "passwordField"), Qt::Key_Return);
    }

    // The connection row: an 8-point dot, green when the channel is up and red when
    // it is not, and the words saying so in the caption font and the secondary colour.
    static void connectionRowShows(SidebarView* sidebar, bool connected)
    {
        auto* dot = child<QLabel>(sidebar, "connectionDot");
        QCOMPARE(dot->size(), QSize(8, 8));
        PaintLog log(sidebar->size());
        sidebar->render(&log);
        const Painting painted = log.painting();
        const std::optional<PaintedItem> words = painted.text(Localized::text(connected ? "sidebar.connected" : "sidebar.disconnected"));
        QVERIFY2(words, qPrintable(painted.allText()));
        QCOMPARE(words->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(words->pen, Appearance::secondaryText());
        const QRectF place(dot->mapTo(sidebar, QPoint()), dot->size());
        std::optional<QColor> fill;
        for (const PaintedItem& shape : painted.shapes()) {
            if (shape.brush.isValid() && place.contains(shape.rect.center()))
                fill = shape.brush;
        }
        QVERIFY(fill);
        QVERIFY2(connected ? fill->green() > 2 * fill->red() : fill->red() > 2 * fill->green(), qPrintable(fill->name()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Expected texts are the Chinese ones, whatever the machine's language.
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
        Icons::install();
        Snapshot::holdStill();
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        testsupport::useServerSignedOut(m_server);
    }

    void startsSignedOutWithoutConnecting()
    {
        signedOut();
        auto app = makeApp();
        QSignalSpy launched(app.get(), &MorvaneApp::launchFinished);
        app->show();
        QVERIFY(launched.count() == 1 || launched.wait(testsupport::kPatienceMs));
        QVERIFY(loginView(*app));
        QCOMPARE(app->mainWindow()->size(), QSize(1100, 700));
        QCOMPARE(app->mainWindow()->minimumSize(), QSize(900, 600));
        // A window with a title bar, named after the program.
        QCOMPARE(app->mainWindow()->windowTitle(), QStringLiteral("Morvane"));
        // The first window of the run already uses the application font, not the default face.
        const auto* field = loginView(*app)->findChild<QLineEdit*>(QStringLiteral("usernameField"));
        QCOMPARE(QFontInfo(field->font()).family(), QStringLiteral("Noto Sans CJK SC"));
        QCOMPARE(m_recorded.connects, QList<qint64>());
        QCOMPARE(m_recorded.disconnects, 0);
    }

    // The six sections, in the sidebar's order: each with its raw value (the one a
    // section is built from, by exact match only), its title key and its symbol, and
    // listed in the sidebar as a row with its title and icon, identified by the raw value.
    void sectionsAndTheirRows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("titleKey");
        QTest::addColumn<QString>("icon");
        QTest::newRow("messages") << 0 << u"messages"_s << u"tab.messages"_s << u"message.fill"_s;
        QTest::newRow("contacts") << 1 << u"contacts"_s << u"tab.contacts"_s << u"person.2.fill"_s;
        QTest::newRow("moments") << 2 << u"moments"_s << u"tab.moments"_s << u"camera.fill"_s;
        QTest::newRow("favorites") << 3 << u"favorites"_s << u"contacts.favorites"_s << u"star.fill"_s;
        QTest::newRow("files") << 4 << u"files"_s << u"chat.file"_s << u"folder.fill"_s;
        QTest::newRow("settings") << 5 << u"settings"_s << u"content.settings_title"_s << u"gearshape.fill"_s;
    }
    void sectionsAndTheirRows()
    {
        QFETCH(int, row);
        QFETCH(QString, raw);
        QFETCH(QString, titleKey);
        QFETCH(QString, icon);
        const QList<SidebarSection>& all = SidebarSections::allCases();
        QCOMPARE(all.size(), 6);
        const SidebarSection section = all.at(row);
        QCOMPARE(SidebarSections::rawValue(section), raw);
        QCOMPARE(SidebarSections::titleKey(section), titleKey);
        QCOMPARE(SidebarSections::title(section), Localized::text(titleKey));
        QCOMPARE(SidebarSections::icon(section), icon);
        QCOMPARE(SidebarSections::fromRawValue(raw), std::optional(section));
        QCOMPARE(SidebarSections::fromRawValue(raw.toUpper()), std::nullopt);
        QCOMPARE(SidebarSections::fromRawValue(raw + u' '), std::nullopt);

        // Built as the app builds it: after the app's look (fonts, icon theme) is installed.
        Appearance::install();
        AuthViewModel auth;
        SidebarView sidebar(&auth, WebSocketService::shared());
        auto* rows = child<QListWidget>(&sidebar, "sidebarSections");
        QCOMPARE(rows->count(), 6);
        const QListWidgetItem* item = rows->item(row);
        QCOMPARE(item->text(), Localized::text(titleKey));
        QCOMPARE(item->data(Qt::UserRole).toString(), raw);
        QVERIFY(!item->icon().isNull());
        // The section chosen, as the signed-out column draws it.
        child<SidebarSectionList>(&sidebar, "sidebarSections")->choose(row);
        sidebar.resize(200, 420);
        sidebar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sidebar));
        VERIFY_SNAPSHOT(&sidebar, u"sidebar-"_s + raw);
    }

    // The overflow arrows the menu bar and tool bars make at start-up are drawn by the
    // program (no image file read before the first paint), and still show: ink in the
    // text colour, spread along the bar's direction.
    void overflowArrowsAreDrawn_data()
    {
        QTest::addColumn<int>("standardIcon");
        QTest::addColumn<bool>("horizontal");
        QTest::newRow("horizontal") << int(QStyle::SP_ToolBarHorizontalExtensionButton) << true;
        QTest::newRow("vertical") << int(QStyle::SP_ToolBarVerticalExtensionButton) << false;
    }
    void overflowArrowsAreDrawn()
    {
        QFETCH(int, standardIcon);
        QFETCH(bool, horizontal);
        auto app = makeApp();
        QVERIFY(qobject_cast<QProxyStyle*>(QApplication::style()));
        const QIcon icon = QApplication::style()->standardIcon(QStyle::StandardPixmap(standardIcon));
        const QImage image = icon.pixmap(QSize(32, 32), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(32, 32));
        QRect ink;
        bool textColour = false;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 0)
                    continue;
                ink |= QRect(x, y, 1, 1);
                textColour = textColour || pixel.rgba() == QPalette().color(QPalette::WindowText).rgba();
            }
        }
        QVERIFY(textColour);
        QVERIFY2(horizontal ? ink.width() > ink.height() : ink.height() > ink.width(),
                 qPrintable(QStringLiteral("ink %1x%2").arg(ink.width()).arg(ink.height())));
    }

    void validationTexts_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("sign-in without password") << false << QStringLiteral("alice") << QString() << QStringLiteral("请输入用户名和密码");
        QTest::newRow("sign-in without name") << false << QString() << QStringLiteral("alice123") << QStringLiteral("请输入用户名和密码");
        QTest::newRow("registration, empty password first") << true << QStringLiteral("neo") << QString() << QStringLiteral("请输入用户名和密码");
        QTest::newRow("registration, short password") << true << QStringLiteral("neo") << QStringLiteral("12345") << QStringLiteral("密码至少6位");
    }
    void validationTexts()
    {
        signedOut();
        QFETCH(bool, registering);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        auto app = makeApp();
        app->show();
        LoginView* login = loginView(*app);
        if (registering)
            QTest::mouseClick(child<QPushButton>(login, "modeSwitchButton"), Qt::LeftButton);
        QTest::keyClicks(child<QLineEdit>(login, "usernameField"), user);
        QTest::keyClicks(child<QLineEdit>(login, "passwordField"), password);
        QTest::mouseClick(child<QPushButton>(login, "submitButton"), Qt::LeftButton);
        auto* error = child<QLabel>(login, "loginError");
        QVERIFY(error->isVisible());
        QCOMPARE(error->text(), message);

        // The mode link clears the error and keeps what was typed.
        QTest::mouseClick(child<QPushButton>(login, "modeSwitchButton"), Qt::LeftButton);
        QVERIFY(!app->authViewModel()->error());
        QVERIFY(!error->isVisible());
        QCOMPARE(child<QLineEdit>(login, "usernameField")->text(), user);
    }

    void registrationFieldsAndLabels()
    {
        signedOut();
        auto app = makeApp();
        app->show();
        LoginView* login = loginView(*app);
        const QStringList order { QStringLiteral("usernameField"), QStringLiteral("passwordField"), QStringLiteral("nicknameField"),
            QStringLiteral("inviteCodeField"), QStringLiteral("emailField") };
        auto visibleFields = [&] {
            QList<QLineEdit*> fields;
            for (const QString& name : order)
                if (auto* f = login->findChild<QLineEdit*>(name); f->isVisible())
                    fields << f;
            std::sort(fields.begin(), fields.end(), [](QLineEdit* a, QLineEdit* b) { return a->y() < b->y(); });
            QStringList names;
            for (QLineEdit* f : fields)
                names << f->objectName();
            return names;
        };
        QCOMPARE(visibleFields(), order.mid(0, 2));
        QCOMPARE(child<QPushButton>(login, "submitButton")->text(), Localized::text("auth.login_button"));
        QCOMPARE(child<QPushButton>(login, "modeSwitchButton")->text(), Localized::text("auth.switch_to_register"));
        QTest::mouseClick(child<QPushButton>(login, "modeSwitchButton"), Qt::LeftButton);
        QCOMPARE(visibleFields(), order);
        QCOMPARE(child<QPushButton>(login, "submitButton")->text(), Localized::text("auth.register_button"));
        QCOMPARE(child<QPushButton>(login, "modeSwitchButton")->text(), Localized::text("auth.switch_to_login"));
    }

    // Signing out shows the login form as the sign-in left it: someone who registered
    // finds the registration form again, someone who signed in the sign-in form.
    void signOutKeepsTheForm_data()
    {
        QTest::addColumn<bool>("registering");
        QTest::newRow("registered") << true;
        QTest::newRow("signed in") << false;
    }
    void signOutKeepsTheForm()
    {
        signedOut();
        QFETCH(bool, registering);
        auto app = makeApp();
        app->show();
        LoginView* login = loginView(*app);
        QVERIFY(login);
        if (registering)
            QTest::mouseClick(child<QPushButton>(login, "modeSwitchButton"), Qt::LeftButton);
        const QString name = registering ? QStringLiteral("keeper") : QStringLiteral("alice");
        signIn(*app, name, registering ? QStringLiteral("keeper123") : QStringLiteral("alice123"));
        QTRY_VERIFY_WITH_TIMEOUT(mainView(*app), 10000);
        QTest::mouseClick(child<QPushButton>(mainView(*app), "signOutButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT((login = loginView(*app)), 10000);
        QCOMPARE(child<QLineEdit>(login, "nicknameField")->isVisible(), registering);
        QCOMPARE(child<QPushButton>(login, "submitButton")->text(),
                 Localized::text(registering ? "auth.register_button" : "auth.login_button"));
        QVERIFY(child<QLineEdit>(login, "usernameField")->text().isEmpty());
        QVERIFY(!child<QLabel>(login, "loginError")->isVisible());
    }

    void signInReachesMainWindowAndConnectsOnce()
    {
        signedOut();
        auto app = makeApp();
        app->show();
        LoginView* login = loginView(*app);
        QSignalSpy loading(app->authViewModel(), &AuthViewModel::isLoadingChanged);
        signIn(*app, QStringLiteral("alice"), QStringLiteral("alice123"));
        // Return again while the first sign-in is under way starts no second one.
        QTest::keyClick(child<QLineEdit>(login, "passwordField"), Qt::Key_Return);
        // No event has been handled since: the answer cannot have come.
        auto* submit = child<QPushButton>(login, "submitButton");
        QVERIFY(app->authViewModel()->isLoading());
        QVERIFY(!submit->isEnabled());
        QCOMPARE(submit->size(), QSize(300, 32));
        QVERIFY(submit->text().isEmpty());
        QTRY_VERIFY(mainView(*app));
        QCOMPARE(loading.count(), 2); // true once, then false
        const qint64 alice = app->authViewModel()->user()->id;
        // Once per sign-in, however many of the sign-in's changes (authenticated, user)
        // announce it, also after the user's profile has been read again.
        QCOMPARE(m_recorded.connects, QList<qint64> { alice });
        testsupport::runTask(app->authViewModel()->refreshCurrentUser());
        QCOMPARE(m_recorded.connects, QList<qint64> { alice });
        QCOMPARE(m_recorded.disconnects, 0);

        // A restored session at the next start: the launch task connects once.
        auto restored = makeApp();
        QSignalSpy launched(restored.get(), &MorvaneApp::launchFinished);
        restored->show();
        QVERIFY(mainView(*restored));
        QVERIFY(launched.wait(testsupport::kPatienceMs));
        QCOMPARE(m_recorded.connects, QList<qint64> { alice });
        QVERIFY(restored->authViewModel()->isAuthenticated());
    }

    // Still signed in, but as someone else (the user refresh answered another account):
    // the channel connects again, for the new user.
    void userIdChangeConnectsAgain()
    {
        QVERIFY(signedInAsAlice());
        auto app = makeApp(); // the session restored
        QSignalSpy launched(app.get(), &MorvaneApp::launchFinished);
        app->show();
        QVERIFY(launched.count() == 1 || launched.wait(testsupport::kPatienceMs));
        const qint64 alice = app->authViewModel()->user()->id;
        QCOMPARE(m_recorded.connects, QList<qint64> { alice });

        const qint64 bob = testsupport::runTask(AuthService::shared().login(QStringLiteral("bob"), QStringLiteral("bob12345"))).user->id;
        testsupport::runTask(app->authViewModel()->refreshCurrentUser());
        QCOMPARE(app->authViewModel()->user()->id, bob);
        QCOMPARE(m_recorded.connects, (QList<qint64> { alice, bob }));
        // The same user again is no change.
        testsupport::runTask(app->authViewModel()->refreshCurrentUser());
        QCOMPARE(m_recorded.connects, (QList<qint64> { alice, bob }));
        QCOMPARE(m_recorded.disconnects, 0);

        // A read the server refuses signs out, and the channel goes with the session.
        KeychainService::shared().saveText(QStringLiteral("not-a-token"), QStringLiteral("auth_token"));
        KeychainService::shared().saveText(QStringLiteral("not-a-token"), QStringLiteral("refresh_token"));
        testsupport::runTask(app->authViewModel()->refreshCurrentUser());
        QVERIFY(!app->authViewModel()->isAuthenticated());
        QCOMPARE(m_recorded.disconnects, 1);
        QCOMPARE(m_recorded.connects, (QList<qint64> { alice, bob }));
    }

    // Qt's own buttons speak the interface language from the start, and follow a switch.
    void qtTextsFollowTheLanguage()
    {
        const QString catalogue = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qtbase_zh_CN.qm"_s;
        if (!QFileInfo::exists(catalogue))
            QSKIP("Qt's Chinese catalogue is not installed here");
        LocalizationManager& languages = LocalizationManager::shared();
        const auto restore = qScopeGuard([&languages, first = languages.currentLanguage()] { languages.setLanguage(first); });
        const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
        languages.setLanguage(AppLanguage::zhHans);
        QCOMPARE(cancel(), u"Cancel"_s);
        QtTranslations translations;
        QVERIFY(translations.isInstalled());
        QCOMPARE(cancel(), u"取消"_s);
        languages.setLanguage(AppLanguage::en);
        QVERIFY(!translations.isInstalled());
        QCOMPARE(cancel(), u"Cancel"_s);
        languages.setLanguage(AppLanguage::zhHans);
        QCOMPARE(cancel(), u"取消"_s);
    }

    // The live channel names its language only at its upgrade: a switch opens it again
    // while someone is signed in, and not otherwise.
    void languageSwitchReopensTheChannel()
    {
        QVERIFY(signedInAsAlice());
        LocalizationManager& language = LocalizationManager::shared();
        const AppLanguage before = language.currentLanguage();
        const auto restore = qScopeGuard([&] { language.setLanguage(before); });
        auto app = makeApp(); // the session restored
        QSignalSpy launched(app.get(), &MorvaneApp::launchFinished);
        app->show();
        QVERIFY(launched.count() == 1 || launched.wait(testsupport::kPatienceMs));
        const qint64 alice = app->authViewModel()->user()->id;
        QCOMPARE(m_recorded.connects, QList<qint64> { alice });

        language.setLanguage(before == AppLanguage::vi ? AppLanguage::en : AppLanguage::vi);
        QCOMPARE(m_recorded.connects, (QList<qint64> { alice, alice }));

        testsupport::runTask(app->authViewModel()->logout());
        language.setLanguage(before);
        QCOMPARE(m_recorded.connects, (QList<qint64> { alice, alice }));
    }

    void mainWindowShortcutsSectionsAndNavigation()
    {
        QVERIFY(signedInAsAlice());
        auto app = makeApp(); // the session restored
        app->show();
        MainView* main = mainView(*app);
        QVERIFY(main);
        QVERIFY(QTest::qWaitForWindowExposed(app->mainWindow()));
        QSignalSpy loaded(main, &MainView::launchLoadFinished);
        QVERIFY(loaded.wait(testsupport::kPatienceMs));

        QTest::keyClick(app->mainWindow(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(main->showSearch());
        // The search sheet: 500 by 600, titled, the search screen filling it.
        auto* searchSheet = main->findChild<QDialog*>(QStringLiteral("searchSheet"));
        QVERIFY(searchSheet);
        QCOMPARE(searchSheet->size(), QSize(500, 600));
        QCOMPARE(searchSheet->windowTitle(), Localized::text("search.title"));
        auto* search = searchSheet->findChild<SearchView*>();
        QVERIFY(search);
        QCOMPARE(search->geometry(), searchSheet->rect());
        QTest::keyClick(main->findChild<QDialog*>(QStringLiteral("searchSheet")), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!main->showSearch());
        QTest::keyClick(app->mainWindow(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(main->showNewChat());
        QTest::keyClick(app->mainWindow(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(main->showNewChat());
        auto* addSheet = main->findChild<QDialog*>(QStringLiteral("addContactSheet"));
        QVERIFY(addSheet);
        QCOMPARE(addSheet->size(), QSize(400, 500));
        addSheet->close();
        // Ctrl+, (the desktop's usual keys) opens the Settings window.
        QVERIFY(!app->settingsWindow());
        QTest::keyClick(app->mainWindow(), Qt::Key_Comma, Qt::ControlModifier);
        QVERIFY(app->settingsWindow());
        QTRY_VERIFY(app->settingsWindow()->isVisible());
        app->settingsWindow()->close();

        // The favourites and files sections show their screens in the list column.
        auto* sections = child<QListWidget>(main, "sidebarSections");
        sections->setCurrentRow(3);
        QTRY_VERIFY(main->findChild<FavoritesView*>() && main->findChild<FavoritesView*>()->isVisible());
        QTRY_VERIFY(!main->findChild<FavoritesView*>()->viewModel()->isLoading());
        sections->setCurrentRow(4);
        QTRY_VERIFY(main->findChild<FileManagementView*>() && main->findChild<FileManagementView*>()->isVisible());

        // Settings with no link chosen shows the general settings in the detail column.
        sections->setCurrentRow(5);
        QCOMPARE(main->selectedSection(), SidebarSection::settings);
        QTRY_VERIFY(main->findChild<GeneralSettingsView*>() && main->findChild<GeneralSettingsView*>()->isVisible());

        // A notification whose value is not a conversation changes nothing.
        NotificationCenter::shared().post(NotificationName::navigateToConversation(), { { QStringLiteral("conversation"), 42 } });
        // Posts are delivered in order: once a later one arrived, the one above has had its turn.
        QObject witness;
        bool witnessed = false;
        NotificationCenter::shared().observe(QStringLiteral("test.witness"), &witness, [&](const QVariantMap&) { witnessed = true; });
        NotificationCenter::shared().post(QStringLiteral("test.witness"), {});
        QTRY_VERIFY(witnessed);
        QCOMPARE(main->selectedSection(), SidebarSection::settings);

        // A conversation without a name opens a chat screen with the fallback title.
        Conversation unnamed;
        unnamed.id = 999;
        unnamed.type = QStringLiteral("private");
        NotificationCenter::shared().post(NotificationName::navigateToConversation(),
            { { QStringLiteral("conversation"), QVariant::fromValue(unnamed) } });
        QTRY_COMPARE(main->selectedSection(), SidebarSection::messages);
        QVERIFY(main->chatView());
        QCOMPARE(main->chatView()->conversationId(), qint64(999));
        QCOMPARE(child<QLabel>(main->chatView(), "chatTitle")->text(), QStringLiteral("未命名会话"));
    }

    void dotFollowsChannelAndSignOutSurvivesServerLoss()
    {
        QVERIFY(signedInAsAlice());
        auto app = makeApp(true);
        app->show();
        MainView* main = mainView(*app);
        QVERIFY(main);
        auto* dot = child<QLabel>(main, "connectionDot");
        auto* text = child<QLabel>(main, "connectionLabel");
        QTRY_VERIFY_WITH_TIMEOUT(dot->property("connected").toBool(), 10000);
        QCOMPARE(text->text(), Localized::text("sidebar.connected"));
        // The open id, the one others find the user by, not the number.
        QCOMPARE(child<QLabel>(main, "userOpenId")->text(), QStringLiteral("ID: ") + app->authViewModel()->user()->openId);
        auto* sidebar = main->findChild<SidebarView*>();
        connectionRowShows(sidebar, true);

        // The user row: the avatar at 28 points, 8 points left of the name (caption,
        // medium) over "ID: " and the open id (caption 2, secondary colour) 2 points
        // below it, 4 points inside the row above and below.
        auto* row = child<QWidget>(sidebar, "userRow");
        auto* avatar = row->findChild<AvatarView*>();
        auto* name = child<QLabel>(row, "userName");
        auto* openId = child<QLabel>(row, "userOpenId");
        QCOMPARE(avatar->size(), QSize(28, 28));
        QCOMPARE(name->x(), avatar->geometry().right() + 1 + 8);
        QCOMPARE(openId->x(), name->x());
        QCOMPARE(openId->y(), name->geometry().bottom() + 1 + 2);
        const int top = std::min(avatar->y(), name->y());
        const int bottom = std::max(avatar->geometry().bottom(), openId->geometry().bottom());
        QCOMPARE(top, 4);
        QCOMPARE(row->height() - 1 - bottom, 4);
        PaintLog log(sidebar->size());
        sidebar->render(&log);
        const Painting painted = log.painting();
        const std::optional<PaintedItem> nameText = painted.text(app->authViewModel()->user()->name);
        const std::optional<PaintedItem> idText = painted.text(openId->text());
        QVERIFY2(nameText && idText, qPrintable(painted.allText()));
        QCOMPARE(nameText->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(nameText->font.weight(), QFont::Medium);
        QCOMPARE(idText->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
        QCOMPARE(idText->pen, Appearance::secondaryText());

        // The column is never narrower than 180; under the section rows a divider, then
        // the connection row with as much room above its words as below them (4 each
        // way), then the user row; the sign-out button sits centred at the bottom edge,
        // the free height above it.
        QCOMPARE(sidebar->minimumWidth(), 180);
        QFrame* divider = nullptr;
        for (QFrame* frame : sidebar->findChildren<QFrame*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (frame->frameShape() == QFrame::HLine)
                divider = frame;
        }
        QVERIFY(divider);
        auto* sectionRows = child<QListWidget>(sidebar, "sidebarSections");
        QVERIFY(sectionRows->geometry().bottom() < divider->y());
        const int aboveWords = text->y() - (divider->geometry().bottom() + 1);
        const int belowWords = row->y() - (text->geometry().bottom() + 1);
        QVERIFY2(aboveWords > 4 && aboveWords == belowWords, qPrintable(QStringLiteral("%1 above, %2 below").arg(aboveWords).arg(belowWords)));
        QCOMPARE(dot->geometry().center().y(), text->geometry().center().y());
        auto* signOut = child<QPushButton>(sidebar, "signOutButton");
        QVERIFY(std::abs(signOut->geometry().center().x() - sidebar->rect().center().x()) <= 1);
        const int belowButton = sidebar->height() - (signOut->geometry().bottom() + 1);
        QVERIFY2(belowButton < signOut->y() - (row->geometry().bottom() + 1), qPrintable(QString::number(belowButton)));

        // Back for the functions that run after this one.
        const auto restart = qScopeGuard([this] { QVERIFY2(m_server.restart(), qPrintable(m_server.errorString())); });
        QVERIFY(m_server.stop());
        QTRY_VERIFY_WITH_TIMEOUT(!dot->property("connected").toBool(), 10000);
        QCOMPARE(text->text(), Localized::text("sidebar.disconnected"));
        connectionRowShows(sidebar, false);
        QTest::mouseClick(child<QPushButton>(main, "signOutButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(loginView(*app), 15000);
        QVERIFY(!WebSocketService::shared()->isConnected());
        QVERIFY(!KeychainService::shared().load(QStringLiteral("auth_token")));
    }
};

QTEST_MAIN(TestAppShell)
#include "tst_app_shell.moc"
