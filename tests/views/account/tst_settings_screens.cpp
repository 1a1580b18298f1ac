// The general, notification and privacy settings screens on an isolated settings
// store: defaults, shared values between open screens, the language switch, the
// account rows and sign-out, the do-not-disturb hours and the blacklist.

#include "AccountScreenTestHelpers.h"
#include "PaintLog.h"
#include "ClientStack.h"
#include "Snapshot.h"

#include "app/MainView.h"
#include "app/SidebarSection.h"
#include "state/account/NotificationSettings.h"
#include "state/account/PrivacySettingsViewModel.h"
#include "state/account/UserDefaults.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/account/GeneralSettingsView.h"
#include "views/account/NotificationSettingsView.h"
#include "views/account/PrivacySettingsView.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QCheckBox>
#include <QComboBox>
#include <QWheelEvent>
#include <QAbstractButton>
#include <QApplication>
#include <QJsonDocument>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

enum class Screen { general, notification, privacy };

// The texts a screen shows, top to bottom and, within a row, left to right.
QStringList readingOrder(QWidget* screen)
{
    struct Shown {
        QPoint at;
        QString text;
    };
    QList<Shown> shown;
    for (QWidget* widget : screen->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(screen))
            continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else if (auto* elided = qobject_cast<ElidedLabel*>(widget))
            text = elided->fullText();
        if (!text.isEmpty())
            shown << Shown { widget->mapTo(screen, QPoint(0, widget->height() / 2)), text };
    }
    std::ranges::stable_sort(shown, [](const Shown& a, const Shown& b) {
        return qAbs(a.at.y() - b.at.y()) > 4 ? a.at.y() < b.at.y() : a.at.x() < b.at.x();
    });
    QStringList texts;
    for (const Shown& item : shown)
        texts << item.text;
    return texts;
}

} // namespace

class TestSettingsScreens : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<ClientStack> m_stack;
    std::unique_ptr<AuthViewModel> m_auth;

    QWidget* make(Screen screen)
    {
        QWidget* view = nullptr;
        switch (screen) {
        case Screen::general:
            view = new GeneralSettingsView(m_auth.get(), m_defaults.get());
            break;
        case Screen::notification:
            view = new NotificationSettingsView(m_defaults.get());
            break;
        case Screen::privacy:
            view = new PrivacySettingsView(m_stack->contacts, m_defaults.get());
            break;
        }
        view->show();
        return view;
    }

    // The screen's load has ended, so no request outlives the test's server.
    static bool settled(QWidget* view)
    {
        auto* privacy = qobject_cast<PrivacySettingsView*>(view);
        return !privacy || !privacy->viewModel()->isLoading();
    }

    void signIn(const User& user)
    {
        m_stack->server.respond(u"/api/auth/me"_s, { 200, "{\"user\":" + json::serialize(json::encode(user).toObject()) + "}" });
        m_stack->storeSession(user);
        m_auth = std::make_unique<AuthViewModel>(depsOf(*m_stack));
    }

private Q_SLOTS:
    void initTestCase()
    {
        Icons::install();
        Snapshot::holdStill();
    }

    void init()
    {
        m_settings = std::make_unique<QSettings>(m_dir.filePath(u"prefs.ini"_s), QSettings::IniFormat);
        m_settings->clear();
        m_defaults = std::make_unique<UserDefaults>(m_settings.get());
        m_stack = std::make_unique<ClientStack>();
        m_stack->server.respond(procedure("contacts.list"), ok("[]"));
        m_auth = std::make_unique<AuthViewModel>(depsOf(*m_stack));
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
    }

    void cleanup()
    {
        m_auth.reset();
        m_stack.reset();
    }

    void defaultsOnAnEmptyStore_data()
    {
        QTest::addColumn<Screen>("screen");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("on");

        QTest::newRow("autoLaunch") << Screen::general << u"autoLaunch"_s << false;
        QTest::newRow("showNotifications") << Screen::general << u"showNotifications"_s << true;
        QTest::newRow("playSound") << Screen::general << u"playSound"_s << true;
        for (const char* key : { "notifyNewMessage", "notifyFriendRequest", "notifyGroupMention", "notifyMomentActivity",
                                 "soundEnabled", "badgeEnabled" })
            QTest::newRow(key) << Screen::notification << QString::fromLatin1(key) << true;
        QTest::newRow("doNotDisturb") << Screen::notification << u"doNotDisturb"_s << false;
        for (const char* key : { "showOnlineStatus", "showReadReceipts", "allowFriendRequests", "allowGroupInvites" })
            QTest::newRow(key) << Screen::privacy << QString::fromLatin1(key) << true;
    }

    // A toggle changed in one open screen shows in another at once, is stored, and a
    // screen built afterwards starts from it.
    void defaultsOnAnEmptyStore()
    {
        QFETCH(Screen, screen);
        QFETCH(QString, key);
        QFETCH(bool, on);
        std::unique_ptr<QWidget> first(make(screen));
        std::unique_ptr<QWidget> second(make(screen));
        QTRY_VERIFY(settled(first.get()) && settled(second.get()));
        QCheckBox* toggle = child<QCheckBox>(first.get(), key);
        QVERIFY(toggle);
        QCOMPARE(toggle->isChecked(), on);
        QVERIFY(!m_settings->contains(key));

        toggle->click();
        QCOMPARE(child<QCheckBox>(second.get(), key)->isChecked(), !on);
        QCOMPARE(m_settings->value(key).toBool(), !on);
        std::unique_ptr<QWidget> reopened(make(screen));
        QTRY_VERIFY(settled(reopened.get()));
        QCOMPARE(child<QCheckBox>(reopened.get(), key)->isChecked(), !on);
    }

    // Each screen's sections and rows, in their stated order, each labelled by its key.
    void screensReadInTheirOrder_data()
    {
        QTest::addColumn<Screen>("screen");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("general") << Screen::general
                                 << QStringList { u"settings.general_title"_s, u"settings.general_title"_s, u"settings.autolaunch"_s,
                                                  u"settings.language"_s, u"settings.show_notifications"_s, u"settings.show_notifications"_s,
                                                  u"settings.play_sound"_s, u"settings.network"_s, u"settings.api_address"_s, u"=WebSocket"_s,
                                                  u"settings.account"_s, u"settings.username"_s, u"settings.im_id"_s, u"settings.role"_s,
                                                  u"profile.logout"_s, u"settings.about"_s, u"settings.version"_s, u"settings.platform"_s };
        QTest::newRow("notification") << Screen::notification
                                      << QStringList { u"notification.title"_s, u"notification.title"_s, u"notification.enable"_s,
                                                       u"notification.friend_request"_s, u"notification.group_mention"_s,
                                                       u"notification.moment_activity"_s, u"notification.sound"_s, u"notification.sound"_s,
                                                       u"notification.badge"_s, u"notification.dnd"_s, u"notification.dnd_mode"_s,
                                                       u"notification.dnd_start"_s, u"notification.dnd_end"_s };
        QTest::newRow("privacy") << Screen::privacy
                                 << QStringList { u"privacy.title"_s, u"privacy.title"_s, u"privacy.online_status"_s, u"privacy.read_receipts"_s,
                                                  u"privacy.allow_friend"_s, u"privacy.allow_group"_s, u"privacy.blacklist"_s,
                                                  u"privacy.blacklist_empty"_s, u"privacy.security"_s, u"privacy.device_management"_s };
    }
    void screensReadInTheirOrder()
    {
        QFETCH(Screen, screen);
        QFETCH(QStringList, keys);
        signIn(ClientStack::user(7, u"Mei"_s));
        m_settings->setValue(u"doNotDisturb"_s, true);
        std::unique_ptr<QWidget> view(make(screen));
        view->resize(520, 1400);
        QTRY_VERIFY(settled(view.get()));
        const QStringList shown = readingOrder(view.get());
        // The stated texts appear in this order (values and other words may stand between them).
        qsizetype at = 0;
        for (const QString& key : keys) {
            const QString text = key.startsWith(u'=') ? key.mid(1) : Localized::text(key.toLatin1().constData());
            while (at < shown.size() && !shown.at(at).startsWith(text))
                ++at;
            QVERIFY2(at < shown.size(), qPrintable(key + u" missing or out of place in: "_s + shown.join(u" | "_s)));
            ++at;
        }
        // In the grouped style a hairline parts each shown row of a section from the one
        // above; none stands over a section's first row.
        const QList<QWidget*> cards = view->findChildren<QWidget*>(u"sectionCard"_s);
        QVERIFY(!cards.isEmpty());
        for (QWidget* card : cards) {
            PaintLog log(card->size());
            card->render(&log);
            int shownRows = 0;
            for (QWidget* row : card->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                auto* line = row->findChild<QWidget*>(u"rowDivider"_s, Qt::FindDirectChildrenOnly);
                if (!line || !row->isVisibleTo(view.get()))
                    continue;
                const bool drawn = line->isVisibleTo(view.get());
                QCOMPARE(drawn, shownRows > 0);
                if (drawn) {
                    QCOMPARE(line->height(), 1);
                    const QRectF at(line->mapTo(card, QPoint()), line->size());
                    bool painted = false;
                    for (const PaintedItem& shape : log.painting().shapes())
                        painted = painted || (shape.brush.isValid() && shape.brush.alpha() > 0 && shape.rect.contains(at));
                    QVERIFY2(painted, qPrintable(QDebug::toString(at)));
                }
                ++shownRows;
            }
            QVERIFY(shownRows > 0);
        }
        if (screen == Screen::general) {
            // The addresses are grey.
            for (const char* value : { "apiAddress", "webSocketAddress" })
                QCOMPARE(child<QLabel>(view.get(), QString::fromLatin1(value))->palette().color(QPalette::WindowText), Appearance::secondaryText());
            // What the machine and its environment name differs between machines, not the page.
            child<QLabel>(view.get(), u"apiAddress"_s)->setText(u"http://127.0.0.1:8787"_s);
            child<QLabel>(view.get(), u"webSocketAddress"_s)->setText(u"ws://127.0.0.1:8787/ws"_s);
            child<QLabel>(view.get(), u"platform"_s)->setText(u"Linux"_s);
        }
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        VERIFY_SNAPSHOT(view.get(), u"settings-"_s + QString::fromLatin1(QTest::currentDataTag()));
    }

    void pickingTheCurrentLanguageStoresNothing()
    {
        QSettings appSettings;
        appSettings.remove(LocalizationManager::storedLanguageKey());
        QSignalSpy switched(&LocalizationManager::shared(), &LocalizationManager::bundleChanged);
        GeneralSettingsView view(m_auth.get(), m_defaults.get());
        auto* picker = child<QComboBox>(&view, u"languagePicker"_s);
        QCOMPARE(picker->currentText(), u"简体中文"_s);
        QCOMPARE(picker->count(), 3);
        Q_EMIT picker->activated(0);
        QCOMPARE(switched.count(), 0);
        // Scrolling the page over the closed picker switches nothing either.
        for (const int delta : { -120, 120 }) {
            QWheelEvent wheel(QPointF(5, 5), picker->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
            QApplication::sendEvent(picker, &wheel);
            QCOMPARE(picker->currentText(), u"简体中文"_s);
        }
        QCOMPARE(switched.count(), 0);
        appSettings.sync();
        QVERIFY(!appSettings.contains(LocalizationManager::storedLanguageKey()));
    }

    // Every open screen relabels at once, and the choice survives a restart of the manager.
    void pickingAnotherLanguageRelabelsOpenScreens()
    {
        GeneralSettingsView general(m_auth.get(), m_defaults.get());
        GeneralSettingsView other(m_auth.get(), m_defaults.get());
        NotificationSettingsView notifications(m_defaults.get());
        PrivacySettingsView privacy(m_stack->contacts, m_defaults.get());
        QVERIFY(privacy.viewModel()->isLoading());
        QTRY_VERIFY(!privacy.viewModel()->isLoading());
        MainView main(m_auth.get());
        main.setSelectedSection(SidebarSection::settings);
        auto* picker = child<QComboBox>(&general, u"languagePicker"_s);
        QCOMPARE(child<QLabel>(&general, u"languageLabel"_s)->text(), u"语言"_s);

        picker->setCurrentIndex(2);
        Q_EMIT picker->activated(2);
        QCOMPARE(LocalizationManager::shared().currentLanguage(), AppLanguage::vi);
        QCOMPARE(child<QLabel>(&general, u"languageLabel"_s)->text(), Localized::text("settings.language"));
        QCOMPARE(child<QComboBox>(&other, u"languagePicker"_s)->currentText(), u"Tiếng Việt"_s);
        QCOMPARE(child<QCheckBox>(&other, u"autoLaunch"_s)->text(), Localized::text("settings.autolaunch"));
        QCOMPARE(child<QCheckBox>(&notifications, u"doNotDisturb"_s)->text(), Localized::text("notification.dnd_mode"));
        QCOMPARE(child<QLabel>(&privacy, u"blacklistEmpty"_s)->text(), Localized::text("privacy.blacklist_empty"));
        QVERIFY(Localized::text("settings.language") != u"语言"_s);
        QCOMPARE(child<QListWidget>(&main, u"sidebarSections"_s)->item(0)->text(), SidebarSections::title(SidebarSection::messages));
        QCOMPARE(child<QListWidget>(&main, u"settingsLinks"_s)->item(2)->text(), Localized::text("notification.title"));
        QVERIFY(SidebarSections::title(SidebarSection::messages) != u"消息"_s);

        QSettings appSettings;
        LocalizationManager restarted(&appSettings, LocalizationManager::builtInBundleRoot(), { u"zh-Hans"_s });
        QCOMPARE(restarted.currentLanguage(), AppLanguage::vi);
    }

    void accountRowsFollowTheUser()
    {
        GeneralSettingsView view(m_auth.get(), m_defaults.get());
        auto* logout = child<QPushButton>(&view, u"logoutButton"_s);
        QVERIFY(!shown(child<QLabel>(&view, u"userName"_s)));
        QVERIFY(!shown(child<QLabel>(&view, u"role"_s)));
        QVERIFY(shown(logout));
        // Alone in its section, Sign Out has no line over it; under the user's rows it has.
        const auto lineOver = [](QWidget* button) { return button->parentWidget()->findChild<QWidget*>(u"rowDivider"_s, Qt::FindDirectChildrenOnly); };
        QVERIFY(lineOver(logout) && lineOver(logout)->isHidden());

        User mei = ClientStack::user(7, u"Mei"_s);
        signIn(mei);
        GeneralSettingsView signedIn(m_auth.get(), m_defaults.get());
        QVERIFY(shown(child<QLabel>(&signedIn, u"userName"_s)));
        QCOMPARE(child<ElidedLabel>(&signedIn, u"userName"_s)->fullText(), u"Mei"_s);
        QCOMPARE(child<ElidedLabel>(&signedIn, u"imId"_s)->fullText(), u"open-7"_s);
        QCOMPARE(child<QLabel>(&signedIn, u"role"_s)->text(), u"user"_s);
        QVERIFY(child<QLabel>(&signedIn, u"platform"_s)->text() != u"macOS"_s);
        QVERIFY(child<QLabel>(&signedIn, u"apiAddress"_s)->textInteractionFlags() & Qt::TextSelectableByMouse);
        QVERIFY(lineOver(child<QPushButton>(&signedIn, u"logoutButton"_s)) && !lineOver(child<QPushButton>(&signedIn, u"logoutButton"_s))->isHidden());

        m_stack->server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        child<QPushButton>(&signedIn, u"logoutButton"_s)->click();
        QTRY_VERIFY(!m_auth->isAuthenticated());
        QCOMPARE(m_stack->requestCount(u"/api/auth/logout"_s), 1);
        QVERIFY(!shown(child<QLabel>(&signedIn, u"userName"_s)));
    }

    // The hour pickers show only while do-not-disturb is on and keep their hours meanwhile.
    void doNotDisturbHours()
    {
        NotificationSettingsView view(m_defaults.get());
        view.show();
        auto* dnd = child<QCheckBox>(&view, u"doNotDisturb"_s);
        auto* start = child<QComboBox>(&view, u"dndStartHour"_s);
        auto* end = child<QComboBox>(&view, u"dndEndHour"_s);
        QVERIFY(!shown(start) && !shown(end));

        dnd->click();
        QVERIFY(shown(start) && shown(end));
        QCOMPARE(start->count(), 24);
        QCOMPARE(start->itemText(0), u"0:00"_s);
        QCOMPARE(start->currentText(), u"22:00"_s);
        QCOMPARE(end->currentText(), u"7:00"_s);
        Q_EMIT end->activated(9);
        QCOMPARE(m_settings->value(u"dndEndHour"_s).toInt(), 9);

        dnd->click();
        QVERIFY(!shown(start) && !shown(end));
        QCOMPARE(m_settings->value(u"dndEndHour"_s).toInt(), 9);

        // Written from outside: no row matches, and the stored value stays.
        m_settings->setValue(u"dndStartHour"_s, 30);
        NotificationSettingsView other(m_defaults.get());
        QCOMPARE(child<QComboBox>(&other, u"dndStartHour"_s)->currentIndex(), -1);
        QCOMPARE(child<QComboBox>(&other, u"dndEndHour"_s)->currentText(), u"9:00"_s);
        QCOMPARE(m_defaults->value(NotificationSettings::dndStartHour), 30);
    }

    // The blacklist is the blocked entries of the contact list; an entry goes only once
    // the server confirmed the unblock, which names the user (contactId), not the entry.
    void unblock_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("remaining");

        QTest::newRow("confirmed") << 200 << QStringList { u"未知用户"_s };
        QTest::newRow("server error") << 500 << QStringList { u"Nick"_s, u"Li"_s, u"未知用户"_s };
    }

    void unblock()
    {
        QFETCH(int, status);
        QFETCH(QStringList, remaining);
        m_stack->server.respond(procedure("contacts.list"), ok(
            "[{\"id\":1,\"userId\":7,\"contactId\":21,\"nickname\":\"Nick\",\"blocked\":true,\"user\":{\"id\":21,\"name\":\"Bob\"}},"
            "{\"id\":2,\"userId\":7,\"contactId\":22,\"blocked\":false,\"user\":{\"id\":22,\"name\":\"Ann\"}},"
            "{\"id\":1,\"userId\":7,\"contactId\":21,\"blocked\":true,\"user\":{\"id\":21,\"name\":\"Li\"}},"
            "{\"id\":4,\"userId\":7,\"contactId\":24,\"blocked\":true}]"));
        m_stack->server.respond(procedure("contacts.unblock"),
                                status == 200 ? ok("null") : RecordingHttpServer::Reply { 500, "{\"error\":\"database is down\"}" });
        PrivacySettingsView view(m_stack->contacts, m_defaults.get());
        auto names = [&view] {
            QStringList result;
            for (auto* label : view.findChildren<ElidedLabel*>(u"blacklistName"_s)) {
                if (shown(label))
                    result << label->fullText();
            }
            return result;
        };
        QTRY_COMPARE(names(), (QStringList { u"Nick"_s, u"Li"_s, u"未知用户"_s }));
        QVERIFY(!shown(child<QLabel>(&view, u"blacklistEmpty"_s)));
        // Each Unblock says whom; the link says where it goes, without its chevron.
        QStringList heard;
        for (auto* unblock : view.findChildren<QPushButton*>(u"unblockButton"_s))
            heard << unblock->accessibleName();
        const QString unblock = Localized::text("privacy.unblock");
        QCOMPARE(heard, (QStringList { unblock + u" Nick"_s, unblock + u" Li"_s, unblock + u" 未知用户"_s }));
        QCOMPARE(child<QWidget>(&view, u"deviceManagementLink"_s)->accessibleName(), Localized::text("privacy.device_management"));

        // From the keyboard: the rows are made anew, the keyboard stays at its place in them.
        view.resize(520, 900);
        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        if (status == 200)
            VERIFY_SNAPSHOT(&view, u"privacy-blacklist"_s);
        view.findChildren<QPushButton*>(u"unblockButton"_s).at(0)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTRY_COMPARE(m_stack->requestCount(procedure("contacts.unblock")), 1);
        const QJsonObject input = QJsonDocument::fromJson(m_stack->server.requestsTo(procedure("contacts.unblock")).at(0).body)
                                      .object()[u"json"_s].toObject();
        QCOMPARE(input, (QJsonObject { { u"contactId"_s, 21 } }));
        auto* alert = child<QMessageBox>(&view, u"errorAlert"_s);
        if (status == 200) {
            QTRY_COMPARE(names(), remaining);
            QVERIFY(!alert || !alert->isVisible());
            QCOMPARE(QApplication::focusWidget()->objectName(), u"unblockButton"_s);
            QVERIFY(QApplication::focusWidget()->isVisible());
        } else {
            QTRY_VERIFY(alert && alert->isVisible());
            QCOMPARE(alert->text(), Localized::text("privacy.unblock_failed") + u"database is down"_s);
            QCOMPARE(names(), remaining);
        }
    }

    void unblockMovesTheKeyboard_data()
    {
        QTest::addColumn<QByteArray>("blocked");
        QTest::addColumn<QString>("focused"); // the unblocked name shown there, or the link's object name

        const QByteArray bob = "{\"id\":1,\"userId\":7,\"contactId\":21,\"blocked\":true,\"user\":{\"id\":21,\"name\":\"Bob\"}}";
        const QByteArray li = "{\"id\":2,\"userId\":7,\"contactId\":22,\"blocked\":true,\"user\":{\"id\":22,\"name\":\"Li\"}}";
        QTest::newRow("the only one") << "[" + bob + "]" << u"deviceManagementLink"_s;
        QTest::newRow("the last row") << "[" + li + "," + bob + "]" << u"Li"_s;
    }

    // Unblocking the last row from the keyboard leaves no row at its place: the keyboard
    // goes to the row above, or with no one left to the control after the list, never
    // to nowhere.
    void unblockMovesTheKeyboard()
    {
        QFETCH(QByteArray, blocked);
        QFETCH(QString, focused);
        m_stack->server.respond(procedure("contacts.list"), ok(blocked));
        m_stack->server.respond(procedure("contacts.unblock"), ok("null"));
        PrivacySettingsView view(m_stack->contacts, m_defaults.get());
        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        const int rows = int(blocked.count("\"blocked\":true"));
        QTRY_COMPARE(view.findChildren<QPushButton*>(u"unblockButton"_s).size(), rows);
        auto* last = view.findChildren<QPushButton*>(u"unblockButton"_s).last();
        last->setFocus(Qt::TabFocusReason);
        QTest::keyClick(last, Qt::Key_Space);
        QTRY_COMPARE(m_stack->requestCount(procedure("contacts.unblock")), 1);
        QTRY_COMPARE(view.findChildren<QPushButton*>(u"unblockButton"_s).size(), rows - 1);
        QWidget* now = QApplication::focusWidget();
        QVERIFY(now);
        if (rows == 1) {
            QVERIFY(shown(child<QLabel>(&view, u"blacklistEmpty"_s)));
            QCOMPARE(now->objectName(), focused);
        } else {
            QCOMPARE(now->objectName(), u"unblockButton"_s);
            QCOMPARE(now->accessibleName(), Localized::text("privacy.unblock") + u' ' + focused);
        }
    }

    void emptyOrFailedBlacklist_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("no blocked contact") << 200;
        QTest::newRow("list fails") << 500;
    }

    // "No blocked users" only when the server said so, never after a failed load.
    void emptyOrFailedBlacklist()
    {
        QFETCH(int, status);
        m_stack->server.respond(procedure("contacts.list"), status == 200
            ? ok("[{\"id\":2,\"userId\":7,\"contactId\":22,\"blocked\":false}]")
            : RecordingHttpServer::Reply { 500, "{\"error\":\"down\"}" });
        PrivacySettingsView view(m_stack->contacts, m_defaults.get());
        QVERIFY(view.viewModel()->isLoading());
        QTRY_VERIFY(!view.viewModel()->isLoading());
        QCOMPARE(shown(child<QLabel>(&view, u"blacklistEmpty"_s)), status == 200);
        auto* alert = child<QMessageBox>(&view, u"errorAlert"_s);
        QCOMPARE(alert->isVisible(), status != 200);
        if (status != 200)
            QCOMPARE(alert->text(), Localized::text("privacy.blacklist_load_failed") + u"down"_s);
    }
};

QTEST_MAIN(TestSettingsScreens)
#include "tst_settings_screens.moc"
