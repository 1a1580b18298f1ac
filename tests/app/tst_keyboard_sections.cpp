// The contacts, moments, favourites, files and settings sections of the real main
// window against the demo server, worked with the keyboard alone: every state of
// each section and every sheet they open walked in the three languages (the whole
// chain in reading order, each control named and showing its focus), and whole
// tasks from the keyboard, with the focus going where the work goes on and never
// to the sidebar's Sign Out. Keys always go to the widget that has the focus.

#include "ClientAgainstServer.h"
#include "KeyboardWalk.h"
#include "ListKeys.h"
#include "ServerProcess.h"
#include "TotpCodes.h"

#include "app/ContentView.h"
#include "app/MainView.h"
#include "app/MorvaneApp.h"
#include "app/SidebarSectionList.h"
#include "services/GroupService.h"
#include "state/chat/AuthViewModel.h"
#include "state/chat/ConversationListViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/contacts/ContactListViewModel.h"
#include "state/contacts/MomentsViewModel.h"
#include "state/contacts/ReportViewModel.h"
#include "state/account/FavoritesViewModel.h"
#include "state/account/FileManagementViewModel.h"
#include "views/account/FavoritesView.h"
#include "views/account/FileManagementView.h"
#include "views/chat/ChatView.h"
#include "views/chat/ConversationRow.h"
#include "views/chat/LoginView.h"
#include "views/common/Localized.h"
#include "views/contacts/ContactDetailView.h"
#include "views/contacts/ContactListView.h"
#include "views/contacts/GroupRolesButton.h"
#include "views/contacts/MomentFeedView.h"
#include "views/contacts/MomentRow.h"
#include "views/contacts/MomentsView.h"

#include "Totp.h"

#include <QAccessible>
#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QClipboard>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using testsupport::ServerProcess;

namespace {

using keyboardwalk::focused;
using keyboardwalk::focusedName;
using keyboardwalk::press;
using keyboardwalk::tabTo;

const QStringList sidebar { u"sidebarSections"_s, u"signOutButton"_s };
const QStringList toolbar { u"searchButton"_s, u"newChatButton"_s };
const QStringList settings = sidebar + QStringList { u"settingsLinks"_s } + toolbar;

} // namespace

class TestKeyboardSections : public QObject {
    Q_OBJECT

    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<MorvaneApp> m_app;
    MainView* m_main = nullptr;

    QMainWindow* window() const { return m_app->mainWindow(); }
    template <typename T = QWidget> T* find(const QString& name) const { return m_main->findChild<T*>(name); }

    // Chooses the settings link of that row and waits for its screen to load.
    void openSettings(int link)
    {
        m_main->setSelectedSection(SidebarSection::settings);
        // Chosen afresh, so nothing pushed over it by an earlier state stays.
        find<QListWidget>(u"settingsLinks"_s)->setCurrentRow(-1);
        find<QListWidget>(u"settingsLinks"_s)->setCurrentRow(link);
    }

    // Brings the window to the state named and returns what is walked there: the
    // window, or the sheet it opened.
    QWidget* show(const QString& state)
    {
        const auto section = [this](SidebarSection section) {
            m_main->setSelectedSection(section);
            m_main->setSelectedContact(std::nullopt);
        };
        if (state.startsWith(u"contact")) {
            section(SidebarSection::contacts);
            auto* contacts = m_main->findChild<ContactListView*>();
            if (state.startsWith(u"contacts: add contact")) {
                QDialog* sheet = contacts->showAddContact();
                if (state.endsWith(u"found")) {
                    auto* field = sheet->findChild<QLineEdit*>(u"keywordField"_s);
                    QTest::keyClicks(field, u"bob"_s);
                    QTest::keyClick(field, Qt::Key_Return);
                    [&] { QTRY_VERIFY_WITH_TIMEOUT(sheet->findChild<QListView*>(u"resultList"_s)->model()->rowCount() > 0, 10000); }();
                }
                return sheet;
            }
            if (state == u"contacts: friend requests") {
                QDialog* sheet = contacts->showFriendRequests();
                [&] { QTRY_VERIFY_WITH_TIMEOUT(sheet->findChild<QListView*>(u"requestList"_s)->isVisible(), 10000); }();
                return sheet;
            }
            if (state != u"contacts")
                m_main->setSelectedContact(m_main->contactListViewModel()->contacts().constFirst());
            if (state == u"contact: report")
                return m_main->contactDetailView()->showReport();
        } else if (state.startsWith(u"moments")) {
            section(SidebarSection::moments);
            auto* moments = m_main->findChild<MomentsView*>();
            // The feed's rows are made once it has loaded and laid itself out.
            [&] { QTRY_VERIFY_WITH_TIMEOUT(!m_main->findChildren<MomentRow*>().isEmpty(), 10000); }();
            if (state == u"moments: compose") {
                moments->viewModel()->toggleCompose();
                return moments->composeSheet();
            }
        } else if (state == u"favorites" || state == u"files") {
            section(state == u"files" ? SidebarSection::files : SidebarSection::favorites);
            const QString list = state == u"files" ? u"fileRows"_s : u"favoritesList"_s;
            // Each visit reloads: the walk starts once the new list is in.
            QObject* loading = state == u"files" ? static_cast<QObject*>(m_main->findChild<FileManagementView*>()->viewModel())
                                                 : m_main->findChild<FavoritesView*>()->viewModel();
            [&] { QTRY_VERIFY_WITH_TIMEOUT(find<QListView>(list)->model()->rowCount() > 0 && !loading->property("isLoading").toBool(), 10000); }();
        } else if (state.startsWith(u"settings")) {
            const QStringList links { u"general"_s, u"privacy"_s, u"notifications"_s, u"vip"_s, u"gifts"_s, u"profile"_s };
            const QString link = state.section(u' ', 1, 1).remove(u',').remove(u':');
            openSettings(int(links.indexOf(link == u"two-factor" || link == u"devices" || link == u"editor" ? u"profile"_s : link)));
            if (link == u"notifications") {
                auto* quiet = find<QAbstractButton>(u"doNotDisturb"_s);
                if (quiet->isChecked() != state.endsWith(u"quiet hours"))
                    quiet->click();
            }
            if (link == u"privacy")
                [&] { QTRY_VERIFY_WITH_TIMEOUT(find(u"unblockButton"_s) && find(u"unblockButton"_s)->isVisible(), 10000); }();
            if (link == u"editor") {
                find<QPushButton>(u"editProfileButton"_s)->click();
                return find<QDialog>(u"profileEditView"_s);
            }
            if (link == u"two-factor" || link == u"devices") {
                find<QPushButton>(link == u"devices" ? u"devicesLink"_s : u"twoFactorLink"_s)->click();
                const QString loaded = link == u"devices" ? u"logoutAllButton"_s : u"enableButton"_s;
                [&] { QTRY_VERIFY_WITH_TIMEOUT(find(loaded) && find(loaded)->isVisible(), 10000); }();
                if (state.endsWith(u"sign out all")) {
                    find<QPushButton>(loaded)->click();
                    return find<QDialog>(u"logoutOthersAlert"_s);
                }
                if (state.endsWith(u"setting up")) {
                    find<QPushButton>(loaded)->click();
                    [&] { QTRY_VERIFY_WITH_TIMEOUT(find(u"verifyCodeField"_s)->isVisible(), 10000); }();
                }
            }
        } else if (state.startsWith(u"group roles")) {
            section(SidebarSection::messages);
            for (const Conversation& conversation : m_main->conversationListViewModel()->conversations())
                if (ConversationRow::displayName(conversation).contains(u"Hiking"_s))
                    m_main->setSelectedConversation(conversation);
            auto* roles = find<GroupRolesButton>(u"groupRolesButton"_s);
            [&] { QTRY_VERIFY_WITH_TIMEOUT(roles->isVisible(), 10000); }();
            if (!state.endsWith(u"assign"))
                return roles->showRoleEditor();
            QDialog* sheet = roles->showAssignment(GroupService::GroupRole { 1, 1, u"Guide"_s, std::nullopt, std::nullopt });
            [&] { QTRY_VERIFY_WITH_TIMEOUT(sheet->findChild<QListView*>(u"memberList"_s)->isVisible(), 10000); }();
            return sheet;
        }
        return window();
    }

    // The sidebar's ring moved to the section's row, then Return.
    void chooseSection(SidebarSection section)
    {
        QVERIFY(keyboardwalk::activate(window()));
        QVERIFY(tabTo(u"sidebarSections"_s));
        press(Qt::Key_Home);
        for (int presses = 0; presses < 8 && m_main->selectedSection() != section; ++presses) {
            press(Qt::Key_Return);
            if (m_main->selectedSection() != section)
                press(Qt::Key_Down);
        }
        QCOMPARE(m_main->selectedSection(), section);
    }

    // The feed's row of the moment holding the focus.
    int rowOfFocusedMoment(MomentFeedView* feed) const
    {
        const qint64 id = focusedMoment();
        auto* moments = m_main->findChild<MomentsView*>()->viewModel();
        for (int row = 0; row < feed->model()->rowCount(); ++row)
            if (moments->moments().at(row).id == id)
                return row;
        return -1;
    }

    // The moment of the row holding the focus.
    qint64 focusedMoment() const
    {
        for (QWidget* up = focused(); up; up = up->parentWidget())
            if (auto* row = qobject_cast<MomentRow*>(up))
                return row->momentId();
        return -1;
    }

    void closeSheets()
    {
        for (QDialog* sheet : window()->findChildren<QDialog*>())
            sheet->close();
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(keyboardwalk::activate(window()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        testsupport::useServerSignedOut(m_server);
        m_app = std::make_unique<MorvaneApp>(); // the shared channel, as the program runs
        m_app->show();
        keyboardwalk::setHomeWindow(window());
        QTRY_VERIFY(qobject_cast<LoginView*>(m_app->contentView()->currentScreen()));
        QVERIFY(keyboardwalk::activate(window()));
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        QTest::keyClicks(m_app->contentView()->findChild<QLineEdit*>(u"usernameField"_s), u"alice"_s);
        press(Qt::Key_Tab);
        QTest::keyClicks(focused(), u"alice123"_s);
        press(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT((m_main = qobject_cast<MainView*>(m_app->contentView()->currentScreen())), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->contactListViewModel()->contacts().isEmpty(), 10000);
    }

    void cleanup()
    {
        closeSheets();
        LocalizationManager::shared().setLanguage(AppLanguage::en);
    }

    // Each state in each language: the chain runs down the sidebar, the section's
    // column, the toolbar and the detail, as a person reads them.
    void walk_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("chain");
        const QStringList contacts = sidebar + QStringList { u"friendRequestsButton"_s, u"addContactButton"_s, u"contactList"_s } + toolbar;
        const QStringList row { u"likeButton"_s, u"commentField"_s };
        const QList<std::pair<QString, QStringList>> states {
            { u"contacts"_s, contacts },
            { u"contact"_s, contacts + QStringList { u"sendMessageButton"_s, u"deleteContactButton"_s, u"reportButton"_s } },
            { u"contacts: add contact"_s, { u"closeButton"_s, u"keywordField"_s } },
            { u"contacts: add contact, found"_s, { u"closeButton"_s, u"keywordField"_s, u"searchButton"_s, u"resultList"_s } },
            { u"contacts: friend requests"_s, { u"closeButton"_s, u"requestList"_s } },
            { u"contact: report"_s, { u"reasonPicker"_s, u"descriptionEditor"_s, u"cancelButton"_s, u"submitButton"_s } },
            { u"moments"_s, sidebar + QStringList { u"composeButton"_s } + row + row + row + toolbar },
            { u"moments: compose"_s, { u"composeEditor"_s, u"composeCancelButton"_s } },
            { u"favorites"_s, sidebar + QStringList { u"favoritesList"_s } + toolbar },
            { u"files"_s, sidebar + QStringList { u"fileRows"_s, u"loadMoreButton"_s } + toolbar },
            { u"settings general"_s, settings + QStringList { u"autoLaunch"_s, u"languagePicker"_s, u"showNotifications"_s, u"playSound"_s, u"logoutButton"_s } },
            // Unblock stands above the device link, and comes first.
            { u"settings privacy"_s, settings + QStringList { u"showOnlineStatus"_s, u"showReadReceipts"_s, u"allowFriendRequests"_s, u"allowGroupInvites"_s, u"unblockButton"_s, u"deviceManagementLink"_s } },
            { u"settings notifications"_s, settings + QStringList { u"notifyNewMessage"_s, u"notifyFriendRequest"_s, u"notifyGroupMention"_s, u"notifyMomentActivity"_s, u"soundEnabled"_s, u"badgeEnabled"_s, u"doNotDisturb"_s } },
            { u"settings notifications, quiet hours"_s, settings + QStringList { u"notifyNewMessage"_s, u"notifyFriendRequest"_s, u"notifyGroupMention"_s, u"notifyMomentActivity"_s,
                u"soundEnabled"_s, u"badgeEnabled"_s, u"doNotDisturb"_s, u"dndStartHour"_s, u"dndEndHour"_s } },
            { u"settings vip"_s, settings + QStringList { u"VerticalScrollArea in vipCenterView"_s } },
            { u"settings gifts"_s, settings + QStringList { u"VerticalScrollArea in giftShopView"_s } },
            { u"settings profile"_s, settings + QStringList { u"editProfileButton"_s, u"sessionList"_s, u"twoFactorLink"_s, u"devicesLink"_s, u"logoutButton"_s } },
            { u"settings editor"_s, { u"nameField"_s, u"bioField"_s, u"emailField"_s, u"genderPicker"_s, u"regionField"_s, u"cancelButton"_s, u"saveButton"_s } },
            { u"settings two-factor"_s, settings + QStringList { u"navigationBackButton"_s, u"enableButton"_s } },
            // The secret and the codes are stops of their own, each with its Copy.
            { u"settings two-factor, setting up"_s, settings + QStringList { u"navigationBackButton"_s, u"enableButton"_s, u"secretField"_s, u"secretFieldCopy"_s,
                u"backupCodesField"_s, u"backupCodesFieldCopy"_s, u"verifyCodeField"_s } },
            { u"settings devices"_s, settings + QStringList { u"navigationBackButton"_s, u"refreshButton"_s, u"deviceList"_s, u"logoutAllButton"_s } },
            { u"settings devices: sign out all"_s, { u"confirmLogoutButton"_s, u"cancelLogoutButton"_s } },
            // The colours are one stop, as radio buttons are; the arrows choose among them.
            { u"group roles"_s, { u"roleNameField"_s, u"colorSwatch"_s, u"canSendMessage"_s, u"canInvite"_s, u"canPin"_s, u"canAnnounce"_s, u"canManageMembers"_s, u"cancelButton"_s } },
            { u"group roles: assign"_s, { u"memberList"_s, u"doneButton"_s } },
        };
        for (const AppLanguage each : appLanguage::allCases()) {
            const QString language = appLanguage::rawValue(each);
            for (const auto& [state, chain] : states)
                QTest::newRow(qPrintable(language + u' ' + state)) << language << state << chain;
        }
    }
    void walk()
    {
        QFETCH(QString, language);
        QFETCH(QString, state);
        QFETCH(QStringList, chain);
        LocalizationManager::shared().setLanguage(*appLanguage::fromRawValue(language));
        QWidget* shown = show(state);
        QVERIFY(shown && !QTest::currentTestFailed());
        QVERIFY(keyboardwalk::activate(shown));
        const QString opened = focusedName();
        // A box is heard by its label, its choice as its value.
        for (QComboBox* box : shown->findChildren<QComboBox*>()) {
            QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(box);
            if (box->isVisible())
                QVERIFY2(heard->text(QAccessible::Name) != box->currentText() && heard->text(QAccessible::Value) == box->currentText(),
                    qPrintable(box->objectName()));
        }
        const keyboardwalk::TabChain walked = keyboardwalk::tabChain(shown);
        QCOMPARE(walked.names(), chain);
        // A question opens on its safe answer; a sheet on its first field (its first
        // control when it has none), so typing goes there.
        if (auto* question = qobject_cast<QMessageBox*>(shown)) {
            QCOMPARE(opened, keyboardwalk::nameOf(question->defaultButton()));
        } else if (shown != window()) {
            const auto field = std::ranges::find_if(walked.stops, [](QWidget* stop) {
                return qobject_cast<QLineEdit*>(stop) || qobject_cast<QPlainTextEdit*>(stop) || qobject_cast<QComboBox*>(stop);
            });
            QCOMPARE(opened, keyboardwalk::nameOf(field != walked.stops.end() ? *field : walked.stops.constFirst()));
        }
        // The feed is a column of rows, not a control: its rows' controls are walked.
        const QString problems = keyboardwalk::problems(shown, { u"momentsList/reach"_s });
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // A friend request accepted and the new contact written to, without the mouse:
    // the sheet's list keeps the answered row, closing gives the focus back, a
    // letter leads to the contact under it and Send Message to the chat's input.
    void friendRequestToChat()
    {
        chooseSection(SidebarSection::contacts);
        // Return presses a focused button of the window, as Space does.
        QVERIFY(tabTo(u"friendRequestsButton"_s));
        press(Qt::Key_Return);
        QDialog* sheet = find<QDialog>(u"friendRequestsSheet"_s);
        QVERIFY(sheet && keyboardwalk::activate(sheet));
        auto* requests = sheet->findChild<QListView*>(u"requestList"_s);
        QTRY_VERIFY_WITH_TIMEOUT(requests->isVisible(), 10000);
        QVERIFY(tabTo(u"requestList"_s));
        QCOMPARE(listkeys::currentRow(requests), 0);
        QVERIFY(requests->currentIndex().data(Qt::AccessibleTextRole).toString().startsWith(u"王五"_s));
        press(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(requests->currentIndex().data(Qt::AccessibleTextRole).toString().endsWith(u"Accepted"_s), 10000);
        QCOMPARE(focusedName(), u"requestList"_s);
        // Return on the focused Close closes, as Space does.
        QVERIFY(tabTo(u"closeButton"_s, true));
        press(Qt::Key_Return);
        QTRY_COMPARE(focusedName(), u"friendRequestsButton"_s);

        QVERIFY(tabTo(u"contactList"_s));
        QTest::keyClicks(focused(), u"z"_s);
        QTRY_VERIFY(m_main->contactDetailView());
        QCOMPARE(m_main->selectedContact()->name, std::optional(u"张三"_s));
        QVERIFY(tabTo(u"sendMessageButton"_s));
        press(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(m_main->chatView(), 10000);
        QCOMPARE(ConversationRow::displayName(*m_main->selectedConversation()), u"张三"_s);
        QTRY_COMPARE(focusedName(), u"messageField"_s);
        // The request's sender joined the contacts, under W.
        QTRY_VERIFY_WITH_TIMEOUT(std::ranges::any_of(m_main->contactListViewModel()->contacts(), [](const Contact& c) { return c.name == u"王五"_s; }), 10000);
    }

    // Return on the focused button of a sheet presses that button, not the sheet's
    // default one; a sheet that closes gives the focus back to the control that opened it.
    void returnPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("typed"); // into the sheet's first field
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("focusAfter"); // the opener when the sheet closes
        QTest::newRow("report: Cancel, not Submit") << u"reportButton"_s << QString() << u"cancelButton"_s << u"reportButton"_s;
        QTest::newRow("report: Submit") << u"reportButton"_s << QString() << u"submitButton"_s << u"reportButton"_s;
        // Search goes grey while it runs: the words searched for keep the keyboard.
        QTest::newRow("add contact: Search") << u"addContactButton"_s << u"bob"_s << u"searchButton"_s << u"keywordField"_s;
        QTest::newRow("add contact: Close") << u"addContactButton"_s << u"bob"_s << u"closeButton"_s << u"addContactButton"_s;
        QTest::newRow("friend requests: Close") << u"friendRequestsButton"_s << QString() << u"closeButton"_s << u"friendRequestsButton"_s;
    }
    void returnPressesTheFocusedButton()
    {
        QFETCH(QString, opener);
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(QString, focusAfter);
        chooseSection(SidebarSection::contacts);
        if (opener == u"reportButton") {
            QVERIFY(tabTo(u"contactList"_s));
            QTest::keyClicks(focused(), u"b"_s);
            QTRY_VERIFY(m_main->contactDetailView());
        }
        QVERIFY(tabTo(opener));
        press(Qt::Key_Space);
        QPointer<QWidget> sheet;
        QTRY_VERIFY((sheet = QApplication::activeModalWidget()));
        QVERIFY(keyboardwalk::activate(sheet));
        // The report sent, when this sheet reports (as its Submit does, once).
        auto* report = sheet->findChild<ReportViewModel*>();
        const auto submitted = report ? std::make_unique<QSignalSpy>(report, &ReportViewModel::submitted) : nullptr;
        QTest::keyClicks(focused(), typed);
        QVERIFY(tabTo(button));
        press(Qt::Key_Return);
        if (focusAfter == opener) {
            QTRY_VERIFY_WITH_TIMEOUT(!sheet || !sheet->isVisible(), 10000);
            QTRY_COMPARE(focusedName(), opener);
            QCOMPARE(submitted && submitted->size() == 1, button == u"submitButton");
        } else {
            auto* results = sheet->findChild<QListView*>(u"resultList"_s);
            QTRY_VERIFY_WITH_TIMEOUT(results->model()->rowCount() > 0, 10000);
            QVERIFY(sheet->isVisible());
            QCOMPARE(focusedName(), focusAfter);
        }
    }

    // A group's row in the contact list opens its chat with the caret in the input.
    void groupRowOpensItsChat()
    {
        chooseSection(SidebarSection::contacts);
        QVERIFY(tabTo(u"contactList"_s));
        auto* list = qobject_cast<QListView*>(focused());
        press(Qt::Key_Home);
        const QString group = list->currentIndex().data().toString();
        QVERIFY(!m_main->contactListViewModel()->groups().isEmpty());
        QCOMPARE(group, m_main->contactListViewModel()->groups().constFirst().name);
        press(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(m_main->chatView(), 10000);
        QCOMPARE(m_main->selectedSection(), SidebarSection::messages);
        QCOMPARE(ConversationRow::displayName(*m_main->selectedConversation()), group);
        QTRY_COMPARE(focusedName(), u"messageField"_s);
    }

    // Liking a moment rebuilds the feed: the focus stays on the same moment's like
    // button, goes on to its comment field, and after sending stays in that field.
    void likeThenComment()
    {
        chooseSection(SidebarSection::moments);
        QTRY_VERIFY_WITH_TIMEOUT(find(u"likeButton"_s) && find(u"likeButton"_s)->isVisible(), 10000);
        QVERIFY(tabTo(u"likeButton"_s));
        // A clear ring, not the faint square an icon button gets by default.
        QVERIFY(keyboardwalk::ringPixels(focused()) >= focused()->width() + focused()->height());
        QVERIFY(tabTo(u"likeButton"_s));
        const qint64 moment = focusedMoment();
        const QString likes = qobject_cast<QToolButton*>(focused())->text();
        QCOMPARE(keyboardwalk::accessibleName(focused()), Localized::text("moments.like") + u", "_s + likes);
        press(Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QToolButton*>(focused()) && qobject_cast<QToolButton*>(focused())->text() != likes, 10000);
        QCOMPARE(focusedName(), u"likeButton"_s);
        QCOMPARE(focusedMoment(), moment);
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), u"commentField"_s);
        QTest::keyClicks(focused(), u"typed after a like"_s);
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), u"sendCommentButton"_s);
        press(Qt::Key_Space);

        QTRY_VERIFY_WITH_TIMEOUT(focusedMoment() == moment && focusedName() == u"commentField"_s
                && std::ranges::any_of(m_main->findChildren<QLabel*>(u"commentContent"_s), [](QLabel* l) { return l->text() == u"typed after a like"_s; }),
            10000);
        QVERIFY(qobject_cast<QLineEdit*>(focused())->text().isEmpty());
        QCOMPARE(m_app->contentView()->currentScreen(), m_main);
    }

    // The feed as a screen reader finds it: a list named as the section, an item a
    // moment read as what its row shows, and in a shown moment its like button,
    // comment field and Send, named; typing a comment, the field is the focused
    // object the reader reaches from the list.
    void momentsReadAloud()
    {
        chooseSection(SidebarSection::moments);
        QTRY_VERIFY_WITH_TIMEOUT(find(u"likeButton"_s) && find(u"likeButton"_s)->isVisible(), 10000);
        auto* feed = find<MomentFeedView>(u"momentsList"_s);
        auto* moments = m_main->findChild<MomentsView*>()->viewModel();
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(feed);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), Localized::text("moments.title"));
        QCOMPARE(list->childCount(), int(moments->moments().size()));
        // Below the tree a reader walks, every object knows its place in it.
        const std::function<void(QAccessibleInterface*, QList<QAccessibleInterface*>&)> below
            = [&below](QAccessibleInterface* node, QList<QAccessibleInterface*>& found) {
                  for (int i = 0; i < node->childCount(); ++i) {
                      QAccessibleInterface* child = node->child(i);
                      QVERIFY2(child && child->parent() && child->parent()->object() == node->object()
                                   && child->parent()->indexOfChild(child) == i,
                          qPrintable(node->text(QAccessible::Name)));
                      found << child;
                      below(child, found);
                  }
              };
        for (int row = 0; row < list->childCount(); ++row) {
            const Moment& moment = moments->moments().at(row);
            QAccessibleInterface* item = list->child(row);
            QCOMPARE(item->role(), QAccessible::ListItem);
            // Where it stands, for the reader's highlight, shown or not.
            QVERIFY2(!item->rect().isEmpty(), qPrintable(QString::number(row)));
            const QString heard = item->text(QAccessible::Name);
            QVERIFY2(heard.startsWith(moment.userName.value_or(u"?"_s) + u", "_s) && heard.contains(moment.content.value_or(QString()))
                         && heard.contains(QString::number(moment.likeCount.value_or(0)))
                         && heard.endsWith(QString::number(moment.commentCount.value_or(0)) + u" comments"_s),
                qPrintable(heard));
            QList<QAccessibleInterface*> inside;
            below(item, inside);
            if (QTest::currentTestFailed())
                return;
            // A moment far from the window is read from its data alone; a shown one is its row.
            QCOMPARE(item->object(), static_cast<QObject*>(feed->shownRow(row)));
            if (!item->object())
                continue;
            QStringList controls;
            for (QAccessibleInterface* each : inside) {
                const QString name = each->object() ? each->object()->objectName() : QString();
                if (name == u"likeButton" || name == u"commentField" || name == u"sendCommentButton")
                    controls << name + u": "_s + each->text(QAccessible::Name);
            }
            QCOMPARE(controls, (QStringList { u"likeButton: "_s + Localized::text("moments.like") + u", "_s + QString::number(moment.likeCount.value_or(0)),
                                   u"commentField: "_s + Localized::text("moments.comment_placeholder"),
                                   u"sendCommentButton: "_s + Localized::text("moments.send") }));
        }
        QVERIFY(tabTo(u"commentField"_s));
        QTest::keyClicks(focused(), u"being typed"_s);
        QAccessibleInterface* reached = list;
        while (reached->focusChild() && reached->focusChild() != reached)
            reached = reached->focusChild();
        QCOMPARE(reached->object(), focused());
        QVERIFY(reached->state().focused);
        QCOMPARE(list->indexOfChild(list->focusChild()), rowOfFocusedMoment(feed));
        QCOMPARE(list->indexOfChild(QAccessible::queryAccessibleInterface(m_main)), -1);
        qobject_cast<QLineEdit*>(focused())->clear();
    }

    // The language box switches the interface only on a choice made in its open
    // list: Up, Down or a letter on the closed box open the list, and Escape leaves
    // it all as it was.
    void languageBoxSwitchesOnlyFromItsList()
    {
        openSettings(0);
        QVERIFY(keyboardwalk::activate(window()));
        QVERIFY(tabTo(u"languagePicker"_s));
        auto* box = qobject_cast<QComboBox*>(focused());
        // A letter, too, would have jumped to the language starting with it.
        for (const Qt::Key key : { Qt::Key_Down, Qt::Key_Up, Qt::Key_T }) {
            if (key == Qt::Key_T)
                keyboardwalk::type(u"t"_s);
            else
                press(key);
            QCOMPARE(LocalizationManager::shared().currentLanguage(), AppLanguage::en);
            QTRY_VERIFY(box->view()->isVisible());
            QTest::keyClick(box->view(), Qt::Key_Escape);
            QTRY_VERIFY(!box->view()->isVisible());
            QCOMPARE(LocalizationManager::shared().currentLanguage(), AppLanguage::en);
            QVERIFY(keyboardwalk::activate(window()));
            QCOMPARE(focusedName(), u"languagePicker"_s);
        }
        // Chosen in the open list with Return, it switches.
        press(Qt::Key_Down);
        QTRY_VERIFY(box->view()->isVisible());
        const int english = box->currentIndex();
        const int other = english == 0 ? 1 : english - 1;
        box->view()->setCurrentIndex(box->model()->index(other, 0));
        QTest::keyClick(box->view(), Qt::Key_Return);
        QTRY_VERIFY(!box->view()->isVisible());
        QCOMPARE(appLanguage::rawValue(LocalizationManager::shared().currentLanguage()), box->itemData(other).toString());
    }

    // Seen with the mouse, in every language: a push button's text keeps its room
    // from the border, and a primary button greyed until it can act reads as grey,
    // not as a paler blue.
    void buttonsLookWhatTheyAre_data()
    {
        QTest::addColumn<QString>("language");
        for (const AppLanguage each : appLanguage::allCases())
            QTest::newRow(appLanguage::rawValue(each).toLatin1()) << appLanguage::rawValue(each);
    }
    void buttonsLookWhatTheyAre()
    {
        QFETCH(QString, language);
        LocalizationManager::shared().setLanguage(*appLanguage::fromRawValue(language));
        QWidget* shown = show(u"settings two-factor"_s);
        QVERIFY(shown && !QTest::currentTestFailed());
        auto* enable = find<QPushButton>(u"enableButton"_s);
        const int room = enable->width() - enable->fontMetrics().horizontalAdvance(enable->text());
        QVERIFY2(room >= 2 * 10, qPrintable(QString::number(room)));

        QDialog* compose = qobject_cast<QDialog*>(show(u"moments: compose"_s));
        QVERIFY(compose && !QTest::currentTestFailed());
        auto* publish = compose->findChild<QPushButton*>(u"publishButton"_s);
        QVERIFY(publish && !publish->isEnabled());
        // The fill beside the text, clear of the rounded corners.
        const auto fill = [publish] { return publish->grab().toImage().pixelColor(4, publish->height() / 2); };
        const QColor greyed = fill();
        compose->findChild<QPlainTextEdit*>(u"composeEditor"_s)->setPlainText(u"ready"_s);
        QTRY_VERIFY(publish->isEnabled());
        const QColor ready = fill();
        QVERIFY2(greyed.hsvSaturation() < 40 && ready.hsvSaturation() > 150,
            qPrintable(greyed.name() + u" / "_s + ready.name()));
        compose->findChild<QPlainTextEdit*>(u"composeEditor"_s)->clear();
    }

    // Two-factor turned on and off again from the keyboard: the code field after
    // Turn On, the status's button after each step.
    void twoFactorOnAndOff()
    {
        chooseSection(SidebarSection::settings);
        QVERIFY(tabTo(u"settingsLinks"_s));
        press(Qt::Key_End);
        QVERIFY(tabTo(u"twoFactorLink"_s));
        press(Qt::Key_Space);
        QCOMPARE(focusedName(), u"navigationBackButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(find(u"enableButton"_s)->isVisible(), 10000);
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), u"enableButton"_s);
        press(Qt::Key_Space);
        QTRY_COMPARE_WITH_TIMEOUT(focusedName(), u"verifyCodeField"_s, 10000);
        // The secret goes into an authenticator the way a person takes it: Copy.
        QGuiApplication::clipboard()->clear();
        find<QPushButton>(u"secretFieldCopy"_s)->click();
        const std::optional<QByteArray> secret = Totp::fromBase32(QGuiApplication::clipboard()->text());
        const QString backup = find<QPlainTextEdit>(u"backupCodesField"_s)->toPlainText().section(u'\n', 0, 0);
        QVERIFY(secret);
        QTest::keyClicks(focused(), testtotp::codeAt(*secret, 0));
        press(Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(focusedName(), u"disableButton"_s, 10000);
        press(Qt::Key_Space);
        QDialog* sheet = find<QDialog>(u"disableSheet"_s);
        QVERIFY(sheet->isVisible() && keyboardwalk::activate(sheet));
        QCOMPARE(focusedName(), u"disableCodeField"_s);
        // The sheet walked whole (Turn Off is grey until a code is typed), then back to its field.
        QCOMPARE(keyboardwalk::tabChain(sheet).names(), (QStringList { u"disableCodeField"_s, u"disableCancelButton"_s }));
        const QString found = keyboardwalk::problems(sheet);
        QVERIFY2(found.isEmpty(), qPrintable(found));
        QVERIFY(tabTo(u"disableCodeField"_s));
        QTest::keyClicks(focused(), backup);
        // Return on the focused Cancel cancels: it does not press Turn Off.
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), u"disableCancelButton"_s);
        press(Qt::Key_Return);
        QTRY_COMPARE(focusedName(), u"disableButton"_s);
        QVERIFY(!sheet->isVisible());
        press(Qt::Key_Space);
        QVERIFY(sheet->isVisible() && keyboardwalk::activate(sheet));
        QCOMPARE(focusedName(), u"disableCodeField"_s);
        QTest::keyClicks(focused(), backup);
        press(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!sheet->isVisible(), 10000);
        QTRY_COMPARE(focusedName(), u"enableButton"_s);
        // Back: the focus returns to the link that led here.
        QVERIFY(tabTo(u"navigationBackButton"_s, true));
        press(Qt::Key_Space);
        QCOMPARE(focusedName(), u"twoFactorLink"_s);
    }

    // A contact deleted from its detail: the keyboard goes on in the list, on the
    // row that took the contact's place. The keyboard was on a group's row before
    // (its chat opened), and the list came back holding the chosen contact.
    void deleteContactKeepsTheKeyboardInTheList()
    {
        chooseSection(SidebarSection::contacts);
        QVERIFY(tabTo(u"contactList"_s));
        QTest::keyClicks(focused(), u"b"_s);
        press(Qt::Key_Home);
        press(Qt::Key_Return);
        QTRY_COMPARE(focusedName(), u"messageField"_s);
        chooseSection(SidebarSection::contacts);
        QVERIFY(tabTo(u"contactList"_s));
        QTest::keyClicks(focused(), u"b"_s);
        QTRY_VERIFY(m_main->contactDetailView());
        auto* list = qobject_cast<QListView*>(focused());
        const int row = listkeys::currentRow(list);
        const QString next = list->model()->index(row + 2, 0).data().toString(); // past the next letter's heading
        QVERIFY(tabTo(u"deleteContactButton"_s));
        press(Qt::Key_Space);
        QWidget* confirmation = nullptr;
        QTRY_VERIFY((confirmation = QApplication::activeModalWidget()));
        QVERIFY(keyboardwalk::activate(confirmation));
        QVERIFY(tabTo(u"confirmButton"_s));
        press(Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->contactDetailView(), 10000);
        QTRY_COMPARE(focusedName(), u"contactList"_s);
        QCOMPARE(list->currentIndex().data().toString(), next);
    }

    // A reader may still hold a row after the list lost it: the row then says nothing,
    // shows nowhere and does nothing when pressed, and the rows still there answer.
    void aRowTheListLostSaysAndDoesNothing()
    {
        SidebarSectionList sections;
        for (const QString& title : { u"One"_s, u"Two"_s })
            new QListWidgetItem(title, &sections);
        sections.choose(0);
        sections.show();
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&sections);
        QAccessibleInterface* lost = list->child(1);
        QCOMPARE(lost->text(QAccessible::Name), u"Two"_s);
        QVERIFY(lost->rect().isValid());
        QVERIFY(lost->state().selectable);
        delete sections.takeItem(1);
        QVERIFY(!lost->isValid());
        QCOMPARE(lost->text(QAccessible::Name), QString());
        QCOMPARE(lost->rect(), QRect());
        QVERIFY(!lost->state().selectable && !lost->state().focusable && !lost->state().selected);
        lost->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        lost->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
        QCOMPARE(sections.currentRow(), 0);
        QVERIFY(sections.item(0)->isSelected());
        QVERIFY(list->child(0)->isValid());
        QCOMPARE(list->child(0)->text(QAccessible::Name), u"One"_s);
    }

    void cleanupTestCase()
    {
        m_app.reset();
        testsupport::forgetSignedInAccount();
    }
};

QTEST_MAIN(TestKeyboardSections)
#include "tst_keyboard_sections.moc"
