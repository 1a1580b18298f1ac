// The main window worked with the keyboard alone against the demo server, as a
// person who cannot use a mouse does: signing in, the Tab chain of every state of
// the window and its sheets in the three languages (whole, in reading order, every
// control named and showing its focus), switching sections, opening a chat and
// sending, replying and reacting, loading older messages, and sheets that take and
// give back the focus. Keys always go to the widget that has the focus.

#include "ClientAgainstServer.h"
#include "KeyboardWalk.h"
#include "ListKeys.h"
#include "ServerProcess.h"
#include "ServerTestClient.h"
#include "TaskRunner.h"

#include "app/ContentView.h"
#include "app/MainView.h"
#include "app/MorvaneApp.h"
#include "app/StaffConsoles.h"
#include "state/chat/AuthViewModel.h"
#include "state/chat/ChatViewModel.h"
#include "state/chat/ConversationListViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "state/contacts/ContactListViewModel.h"
#include "views/chat/ChatView.h"
#include "views/chat/ConversationListModel.h"
#include "views/chat/ConversationRow.h"
#include "views/chat/LoginView.h"
#include "views/chat/MessageListModel.h"
#include "views/chat/MessageListView.h"
#include "views/common/Localized.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QJsonArray>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPointer>
#include <QPlainTextEdit>
#include <QScopeGuard>
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
using keyboardwalk::type;

} // namespace

class TestKeyboardMainWindow : public QObject {
    Q_OBJECT

    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<MorvaneApp> m_app;
    MainView* m_main = nullptr;

    QMainWindow* window() const { return m_app->mainWindow(); }
    QListView* conversationList() const { return m_main->findChild<QListView*>(u"conversationList"_s); }
    MessageListView* messageList() const { return m_main->chatView() ? m_main->chatView()->messageList() : nullptr; }

    // With the focus in the conversation list: Home, then Down until the row of the
    // conversation named so is current, then Return opens it.
    void openChatByKeyboard(const QString& namePart)
    {
        QVERIFY(tabTo(u"conversationList"_s));
        press(Qt::Key_Home);
        auto* rows = qobject_cast<ConversationListModel*>(conversationList()->model());
        for (int presses = 0; presses < rows->rowCount(); ++presses) {
            if (ConversationRow::displayName(rows->conversationAt(listkeys::currentRow(conversationList()))).contains(namePart))
                break;
            press(Qt::Key_Down);
        }
        QVERIFY(ConversationRow::displayName(rows->conversationAt(listkeys::currentRow(conversationList()))).contains(namePart));
        press(Qt::Key_Return);
        QTRY_VERIFY(m_main->chatView());
        QVERIFY(ConversationRow::displayName(*m_main->selectedConversation()).contains(namePart));
        QCOMPARE(focusedName(), u"messageField"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->chatView()->viewModel()->messages().isEmpty(), 10000);
    }

    // A chat is open with its messages loaded: the one the last function left (which
    // may still be loading), or Bob's.
    void chatShown()
    {
        if (!m_main->chatView())
            openChatByKeyboard(u"Bob"_s);
        else
            QTRY_VERIFY_WITH_TIMEOUT(!m_main->chatView()->viewModel()->messages().isEmpty(), 10000);
    }

    // The message list's current row, by keyboard only: Shift+Tab from the input.
    void enterMessageList()
    {
        QVERIFY(tabTo(u"messageList"_s, true));
        QVERIFY(messageList()->currentIndex().isValid());
    }

    QString currentRowText() const
    {
        return messageList()->currentIndex().data(Qt::AccessibleTextRole).toString();
    }

    const Message& currentMessage() const
    {
        return messageList()->messageModel()->messageAt(messageList()->currentIndex().row());
    }

    // Each function starts signed out or signed in as it needs, whatever ran before.
    bool signedOut()
    {
        if (m_main) {
            testsupport::runTask(m_app->authViewModel()->logout());
            m_main = nullptr;
        }
        return QTest::qWaitFor([this] { return qobject_cast<LoginView*>(m_app->contentView()->currentScreen()); },
                               testsupport::kPatienceMs)
            && keyboardwalk::activate(window());
    }
    bool signedIn()
    {
        if (!m_main) {
            auto* login = qobject_cast<LoginView*>(m_app->contentView()->currentScreen());
            if (!login)
                return false;
            m_app->authViewModel()->setIsLoginMode(true);
            m_app->authViewModel()->setUsername(u"alice"_s);
            m_app->authViewModel()->setPassword(u"alice123"_s);
            QTest::keyClick(login->findChild<QLineEdit*>(u"passwordField"_s), Qt::Key_Return);
            if (!QTest::qWaitFor([this] { return (m_main = qobject_cast<MainView*>(m_app->contentView()->currentScreen())); },
                                 testsupport::kPatienceMs))
                return false;
        }
        return QTest::qWaitFor([this] { return !m_main->contactListViewModel()->contacts().isEmpty()
                                               && conversationList()->model()->rowCount() > 0; },
                               testsupport::kPatienceMs)
            && keyboardwalk::activate(window());
    }

    void verifyWindow(QWidget* shown, const QStringList& expectedChain, const QStringList& except = {})
    {
        const keyboardwalk::TabChain chain = keyboardwalk::tabChain(shown);
        QCOMPARE(chain.names(), expectedChain);
        const QString problems = keyboardwalk::problems(shown, except);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
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
    }

    // Every function starts in English, whatever the machine's language.
    void init()
    {
        LocalizationManager::shared().setLanguage(AppLanguage::en);
    }

    // The login form in both modes and all three languages: every field named by its
    // label, the button and the link showing their focus, in the order they stand.
    void loginWalk_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("registering");
        for (const AppLanguage each : appLanguage::allCases()) {
            const QString language = appLanguage::rawValue(each);
            const QByteArray code = language.toLatin1();
            QTest::newRow(code + " sign-in") << language << false;
            QTest::newRow(code + " registration") << language << true;
        }
    }
    void loginWalk()
    {
        QFETCH(QString, language);
        QFETCH(bool, registering);
        QVERIFY(signedOut());
        LocalizationManager::shared().setLanguage(*appLanguage::fromRawValue(language));
        AuthViewModel* auth = m_app->authViewModel();
        auth->setIsLoginMode(!registering);
        const QStringList extra = registering ? QStringList { u"nicknameField"_s, u"inviteCodeField"_s, u"emailField"_s } : QStringList();
        verifyWindow(window(), QStringList { u"usernameField"_s, u"passwordField"_s } + extra + QStringList { u"submitButton"_s, u"modeSwitchButton"_s });
        auth->setIsLoginMode(true);
    }

    // From the user-name field, where the window starts, to the conversation list.
    void signInWithTheKeyboard()
    {
        QVERIFY(signedOut());
        LoginView* login = qobject_cast<LoginView*>(m_app->contentView()->currentScreen());
        login->findChild<QLineEdit*>(u"usernameField"_s)->setFocus();
        QCOMPARE(focusedName(), u"usernameField"_s);
        type(u"alice"_s);
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), u"passwordField"_s);
        type(u"alice123"_s);
        press(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT((m_main = qobject_cast<MainView*>(m_app->contentView()->currentScreen())), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->contactListViewModel()->contacts().isEmpty(), 10000);
        QCOMPARE(focusedName(), u"conversationList"_s);
        // Entered, the list shows where the keyboard is: a current row, not yet opened.
        QTRY_VERIFY(conversationList()->model()->rowCount() > 0);
        QCOMPARE(listkeys::currentRow(conversationList()), 0);
        QVERIFY(!m_main->chatView());
        QVERIFY(keyboardwalk::showsFocus(conversationList()));
        // A screen reader hears the whole row: the name and the preview at least.
        const Conversation first = qobject_cast<ConversationListModel*>(conversationList()->model())->conversationAt(0);
        const QString heard = QAccessible::queryAccessibleInterface(conversationList())->child(0)->text(QAccessible::Name);
        QVERIFY2(heard.startsWith(ConversationRow::displayName(first)) && heard.contains(first.lastMessage.value_or(u"?"_s)), qPrintable(heard));
        // Return opens the ringed row, selected or not, and the caret goes to its input.
        press(Qt::Key_Return);
        QTRY_VERIFY(m_main->chatView());
        QCOMPARE(m_main->chatView()->conversationId(), first.id);
        QCOMPARE(focusedName(), u"messageField"_s);
    }

    // A staff account has no conversations: once its empty list has loaded, the
    // keyboard rests in the search field above it (a caret, not an empty list
    // with nothing drawn), Tab passes the list by, and a console closed gives the
    // keyboard back there.
    void staffSignInLeavesTheEmptyList()
    {
        QVERIFY(signedOut());
        auto* login = qobject_cast<LoginView*>(m_app->contentView()->currentScreen());
        login->findChild<QLineEdit*>(u"usernameField"_s)->setFocus();
        type(u"admin"_s);
        press(Qt::Key_Tab);
        type(u"admin123"_s);
        press(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT((m_main = qobject_cast<MainView*>(m_app->contentView()->currentScreen())), 10000);
        const auto signOut = qScopeGuard([this] { signedOut(); });
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->conversationListViewModel()->isLoading(), 10000);
        QCOMPARE(conversationList()->model()->rowCount(), 0);
        QTRY_COMPARE(focusedName(), u"conversationSearchField"_s);

        StaffConsoles* consoles = StaffConsoles::of(m_app->authViewModel());
        consoles->open(StaffConsoles::Console::Administration);
        QPointer<QWidget> console = consoles->window(StaffConsoles::Console::Administration);
        QVERIFY(console && keyboardwalk::activate(console));
        console->close();
        QTRY_VERIFY(!console);
        QVERIFY(keyboardwalk::activate(window()));
        QCOMPARE(focusedName(), u"conversationSearchField"_s);
        QVERIFY(!keyboardwalk::tabChain(window()).names().contains(u"conversationList"_s));
    }

    // Every state of the main window in every language: the chain runs down the
    // sidebar, the middle column, then the detail (toolbar, chat header, messages,
    // reply bar, input bar).
    void mainWindowWalk_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("chain");
        const QStringList columns { u"sidebarSections"_s, u"signOutButton"_s, u"conversationSearchField"_s, u"conversationList"_s,
            u"searchButton"_s, u"newChatButton"_s };
        const QStringList input { u"attachButton"_s, u"messageField"_s };
        for (const AppLanguage each : appLanguage::allCases()) {
            const QString language = appLanguage::rawValue(each);
            const QByteArray code = language.toLatin1();
            QTest::newRow(code + " no chat") << language << u"none"_s << columns;
            QTest::newRow(code + " private chat") << language << u"Bob"_s << columns + QStringList { u"messageList"_s } + input;
            QTest::newRow(code + " group chat, replying") << language << u"Hiking"_s
                                                        << columns + QStringList { u"groupRolesButton"_s, u"messageList"_s, u"cancelReplyButton"_s } + input;
        }
    }
    void mainWindowWalk()
    {
        QFETCH(QString, language);
        QFETCH(QString, state);
        QFETCH(QStringList, chain);
        QVERIFY(signedIn());
        LocalizationManager::shared().setLanguage(*appLanguage::fromRawValue(language));
        m_main->setSelectedSection(SidebarSection::messages);
        m_main->setSelectedConversation(std::nullopt);
        for (const Conversation& conversation : m_main->conversationListViewModel()->conversations()) {
            if (ConversationRow::displayName(conversation).contains(state))
                m_main->setSelectedConversation(conversation);
        }
        if (state != u"none") {
            QTRY_VERIFY_WITH_TIMEOUT(m_main->chatView() && !m_main->chatView()->viewModel()->messages().isEmpty(), 10000);
            // The owner's role menu finds out by itself that the user owns the group.
            if (chain.contains(u"groupRolesButton"_s))
                QTRY_VERIFY_WITH_TIMEOUT(m_main->findChild<QToolButton*>(u"groupRolesButton"_s)->isVisible(), 10000);
            if (chain.contains(u"cancelReplyButton"_s))
                m_main->chatView()->viewModel()->setReplyToMessage(m_main->chatView()->viewModel()->messages().constFirst());
        }
        verifyWindow(window(), chain);
        if (ChatView* chat = m_main->chatView()) {
            // The header reads as the whole name, without the tooltip's markup.
            QWidget* title = chat->findChild<QWidget*>(u"chatTitle"_s);
            QCOMPARE(keyboardwalk::accessibleName(title), ConversationRow::displayName(*m_main->selectedConversation()));
            QVERIFY(!keyboardwalk::hasMarkup(keyboardwalk::accessibleDescription(title)));
            chat->viewModel()->setReplyToMessage(std::nullopt);
        }
    }

    // Return on each button of the walk presses it, as Space does: once, whatever
    // the button opens (a sheet, a chat, the sign-in screen) closed again after.
    void returnPressesEveryButton_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("no chat") << u"none"_s;
        QTest::newRow("group chat, replying") << u"Hiking"_s;
    }
    void returnPressesEveryButton()
    {
        QFETCH(QString, state);
        const auto prepare = [&] {
            QVERIFY(signedIn());
            m_main->setSelectedSection(SidebarSection::messages);
            m_main->setSelectedConversation(std::nullopt);
            for (const Conversation& conversation : m_main->conversationListViewModel()->conversations())
                if (ConversationRow::displayName(conversation).contains(state))
                    m_main->setSelectedConversation(conversation);
            if (state == u"none")
                return;
            QTRY_VERIFY_WITH_TIMEOUT(m_main->chatView() && !m_main->chatView()->viewModel()->messages().isEmpty(), 10000);
            QTRY_VERIFY_WITH_TIMEOUT(m_main->findChild<QToolButton*>(u"groupRolesButton"_s)->isVisible(), 10000);
            m_main->chatView()->viewModel()->setReplyToMessage(m_main->chatView()->viewModel()->messages().constFirst());
        };
        prepare();
        if (QTest::currentTestFailed())
            return;
        QStringList buttons;
        for (QWidget* stop : keyboardwalk::tabChain(window()).stops)
            if (qobject_cast<QAbstractButton*>(stop))
                buttons << keyboardwalk::nameOf(stop);
        QVERIFY(buttons.contains(u"signOutButton"_s));
        for (const QString& name : std::as_const(buttons)) {
            prepare();
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(tabTo(name), qPrintable(name));
            auto* button = qobject_cast<QAbstractButton*>(focused());
            QSignalSpy clicked(button, &QAbstractButton::clicked);
            const bool signsOut = name == u"signOutButton";
            press(Qt::Key_Return);
            QVERIFY2(clicked.size() == 1, qPrintable(name));
            // What it opened is closed again, as a person would.
            if (QApplication::activePopupWidget())
                QApplication::activePopupWidget()->close();
            for (QDialog* sheet : window()->findChildren<QDialog*>())
                sheet->close();
            if (signsOut) {
                m_main = nullptr;
                QTRY_VERIFY(qobject_cast<LoginView*>(m_app->contentView()->currentScreen()));
            }
        }
        if (m_main && m_main->chatView())
            m_main->chatView()->viewModel()->setReplyToMessage(std::nullopt);
    }

    // The message input, the conversations' search (where a staff sign-in leaves the
    // keyboard) and the icon buttons show a clear ring with the keyboard, not only a
    // caret or a faint square.
    void focusRingsAreClear_data()
    {
        QTest::addColumn<QString>("control");
        for (const char* name : { "attachButton", "messageField", "sendButton", "searchButton", "newChatButton", "conversationSearchField",
                 "clearSearchButton" })
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void focusRingsAreClear()
    {
        QFETCH(QString, control);
        QVERIFY(signedIn());
        chatShown();
        if (QTest::currentTestFailed())
            return;
        m_main->chatView()->focusInput();
        type(u"x"_s); // the send button takes the keyboard with a draft
        QVERIFY(tabTo(u"conversationSearchField"_s));
        type(u"B"_s); // and the clear button with a search
        auto* widget = m_main->findChild<QWidget*>(control);
        QVERIFY(widget && widget->isVisible());
        const int ring = keyboardwalk::ringPixels(widget);
        QVERIFY2(ring >= widget->width() + widget->height(), qPrintable(QString::number(ring)));
        // The search and the draft emptied as a person would, the clear button gone with the search.
        m_main->findChild<QToolButton*>(u"clearSearchButton"_s)->click();
        m_main->chatView()->focusInput();
        press(Qt::Key_Backspace);
    }

    // Icon buttons' tooltips say what they do and the keys that do it.
    void toolbarToolTipsSayTheKeys()
    {
        QVERIFY(signedIn());
        QCOMPARE(m_main->findChild<QToolButton*>(u"searchButton"_s)->toolTip(), u"Search (Ctrl+F)"_s);
        QCOMPARE(m_main->findChild<QToolButton*>(u"newChatButton"_s)->toolTip(), u"Add Contact (Ctrl+N)"_s);
    }

    // The sidebar is one Tab stop: the arrows move its ring without switching, Return
    // and Space switch, and so does a screen reader's press on a section.
    void sectionsByKeyboard()
    {
        QVERIFY(signedIn());
        m_main->setSelectedSection(SidebarSection::messages);
        QVERIFY(tabTo(u"sidebarSections"_s, true));
        auto* sections = m_main->findChild<QListWidget*>(u"sidebarSections"_s);
        QCOMPARE(sections->currentRow(), 0);
        QVERIFY(keyboardwalk::showsFocus(sections));
        press(Qt::Key_Down);
        press(Qt::Key_Down);
        QCOMPARE(sections->currentRow(), 2);
        QCOMPARE(m_main->selectedSection(), SidebarSection::messages);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(sections);
        QVERIFY(list->child(2)->state().focused);
        QVERIFY(list->child(0)->state().selected);
        QCOMPARE(list->child(2)->text(QAccessible::Name), Localized::text("tab.moments"));
        // A screen reader hears the row with the ring, and finds each row where it is
        // shown and its way back to the list.
        QCOMPARE(list->focusChild(), list->child(2));
        QCOMPARE(list->child(sections->count()), nullptr);
        QCOMPARE(list->indexOfChild(list), -1);
        for (int row = 0; row < sections->count(); ++row) {
            QAccessibleInterface* item = list->child(row);
            QCOMPARE(item->role(), QAccessible::ListItem);
            QCOMPARE(item->childCount(), 0);
            QCOMPARE(item->indexOfChild(list), -1);
            QVERIFY(item->state().focusable && item->state().selectable);
            QCOMPARE(item->parent(), list);
            QCOMPARE(item->window(), sections->window()->windowHandle());
            QCOMPARE(list->indexOfChild(item), row);
            const QPoint middle = item->rect().center();
            QCOMPARE(item->rect().size(), sections->visualItemRect(sections->item(row)).size());
            QCOMPARE(sections->itemAt(sections->viewport()->mapFromGlobal(middle)), sections->item(row));
            QCOMPARE(list->childAt(middle.x(), middle.y()), item);
        }
        press(Qt::Key_Return);
        QCOMPARE(m_main->selectedSection(), SidebarSection::moments);
        QCOMPARE(focusedName(), u"sidebarSections"_s);
        press(Qt::Key_Up);
        press(Qt::Key_Space);
        QCOMPARE(m_main->selectedSection(), SidebarSection::contacts);
        // The ring stops at the first row.
        press(Qt::Key_Up);
        press(Qt::Key_Up);
        QCOMPARE(sections->currentRow(), 0);
        QCOMPARE(m_main->selectedSection(), SidebarSection::contacts);
        press(Qt::Key_End);
        press(Qt::Key_Return);
        QCOMPARE(m_main->selectedSection(), SidebarSection::settings);

        QAccessibleActionInterface* messages = list->child(0)->actionInterface();
        QVERIFY(messages && messages->actionNames().contains(QAccessibleActionInterface::pressAction()));
        messages->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_main->selectedSection(), SidebarSection::messages);
        QVERIFY(list->child(0)->state().selected);
        // A ring left on another row goes back to the chosen section when the list is left and entered again.
        press(Qt::Key_Down);
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), u"signOutButton"_s);
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(focusedName(), u"sidebarSections"_s);
        QCOMPARE(sections->currentRow(), 0);
        // A screen reader's focus on a row brings the ring there from elsewhere,
        // without switching.
        press(Qt::Key_Tab);
        QCOMPARE(list->focusChild(), nullptr);
        list->child(3)->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
        QCOMPARE(focusedName(), u"sidebarSections"_s);
        QCOMPARE(sections->currentRow(), 3);
        QCOMPARE(list->focusChild(), list->child(3));
        QCOMPARE(m_main->selectedSection(), SidebarSection::messages);
        QVERIFY(list->child(0)->state().selected);
    }

    // Opening a chat from the list puts the caret in its input; Return sends.
    void openChatAndSend()
    {
        QVERIFY(signedIn());
        openChatByKeyboard(u"Bob"_s);
        type(u"sent from the keyboard"_s);
        press(Qt::Key_Return);
        ChatViewModel* vm = m_main->chatView()->viewModel();
        QTRY_VERIFY_WITH_TIMEOUT(vm->messages().constLast().content == u"sent from the keyboard"_s
                && vm->messages().constLast().status == u"sent"_s,
            10000);
        QCOMPARE(focusedName(), u"messageField"_s);
        // The list reads the row as the sender, the text, the time and how far it went.
        enterMessageList();
        QCOMPARE(currentMessage().content, std::optional(u"sent from the keyboard"_s));
        QVERIFY2(currentRowText().startsWith(Localized::text("chat.sender_me") + u", sent from the keyboard, "_s), qPrintable(currentRowText()));
        QVERIFY2(currentRowText().endsWith(Localized::text("chat.status_sent")), qPrintable(currentRowText()));
    }

    // Reply and react through the bubble's menu, opened by the menu key and by Shift+F10.
    void replyAndReact()
    {
        QVERIFY(signedIn());
        if (!m_main->chatView() || !ConversationRow::displayName(*m_main->selectedConversation()).contains(u"Bob"_s))
            openChatByKeyboard(u"Bob"_s);
        enterMessageList();
        for (int presses = 0; presses < 20 && (currentMessage().senderName != std::optional(u"Bob Smith"_s)); ++presses)
            press(Qt::Key_Up);
        QCOMPARE(currentMessage().senderName, std::optional(u"Bob Smith"_s));
        const qint64 bobsMessage = currentMessage().id;
        QVERIFY2(currentRowText().startsWith(u"Bob Smith, "_s), qPrintable(currentRowText()));
        // The same entries as the mouse gets: reply, copy, react; no revoke on another's message.
        QCOMPARE(listkeys::menuOf(messageList()), (QStringList { u"replyAction"_s, u"copyAction"_s, u"emojiReplyMenu"_s }));
        QVERIFY(listkeys::choose(messageList(), u"replyAction"_s));
        ChatViewModel* vm = m_main->chatView()->viewModel();
        QCOMPARE(vm->replyToMessage()->id, bobsMessage);
        QTRY_COMPARE(focusedName(), u"messageField"_s);
        type(u"a reply"_s);
        press(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(vm->messages().constLast().content == u"a reply"_s && vm->messages().constLast().status == u"sent"_s, 10000);
        QVERIFY(!vm->replyToMessage());

        enterMessageList();
        while (currentMessage().id != bobsMessage && listkeys::currentRow(messageList()) > 0)
            press(Qt::Key_Up);
        QCOMPARE(currentMessage().id, bobsMessage);
        QMenu* menu = listkeys::openMenu(messageList(), true);
        QVERIFY(menu);
        QAction* emoji = menu->findChild<QMenu*>(u"emojiReplyMenu"_s)->menuAction();
        menu->setActiveAction(emoji);
        QTest::keyClick(menu, Qt::Key_Right);
        auto* reactions = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(reactions && reactions != menu);
        reactions->setActiveAction(reactions->actions().constFirst());
        QTest::keyClick(reactions, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(currentRowText().contains(u"\U0001F44D 1"_s), 10000);
        QCOMPARE(focusedName(), u"messageList"_s);
    }

    // Page Up at the top of the list loads the page before, as pressing "load more" does,
    // and the keyboard goes on into it.
    void loadOlderMessages()
    {
        QVERIFY(signedIn());
        ApiClient zhang(m_server.baseUrl());
        zhang.login(u"zhangsan"_s, u"zhangsan123"_s);
        LiveClient live(m_server.wsUrl());
        QVERIFY(live.authenticate(zhang.token, zhang.userId(), u"zhang-test"_s));
        std::optional<qint64> conversationId;
        for (const Conversation& conversation : m_main->conversationListViewModel()->conversations())
            if (ConversationRow::displayName(conversation).contains(u"张三"_s))
                conversationId = conversation.id;
        QVERIFY(conversationId);
        for (int i = 1; i <= ChatViewModel::pageSize + 5; ++i) {
            live.sendFrame(u"message_send"_s, QJsonObject { { u"clientMsgId"_s, u"zhang-%1"_s.arg(i) }, { u"conversationId"_s, *conversationId },
                                                  { u"type"_s, u"text"_s }, { u"content"_s, u"line %1"_s.arg(i) } });
            QVERIFY(live.waitFor(u"message_ack"_s));
        }
        // Every message has reached this client (they come in order) before the chat opens.
        const auto lastShown = [&] {
            for (const Conversation& conversation : m_main->conversationListViewModel()->conversations())
                if (conversation.id == *conversationId)
                    return conversation.lastMessage.value_or(QString());
            return QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(lastShown(), u"line %1"_s.arg(ChatViewModel::pageSize + 5), 10000);
        openChatByKeyboard(u"张三"_s);
        MessageListModel* rows = messageList()->messageModel();
        QTRY_COMPARE_WITH_TIMEOUT(rows->messageCount(), int(ChatViewModel::pageSize), 10000);
        QVERIFY(rows->showsLoadMore());
        // The first page counts as loading until it is marked read; older pages wait for that.
        QTRY_VERIFY(!m_main->chatView()->viewModel()->isLoading());
        enterMessageList();
        press(Qt::Key_Home);
        QCOMPARE(listkeys::currentRow(messageList()), 0);
        QCOMPARE(messageList()->currentIndex().data(Qt::AccessibleTextRole).toString(), Localized::text("chat.load_more"));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(messageList());
        QCOMPARE(list->text(QAccessible::Name), Localized::text("chat.message_list"));
        const qint64 oldest = rows->messageAt(1).id;
        press(Qt::Key_PageUp);
        QTRY_VERIFY_WITH_TIMEOUT(rows->messageCount() > int(ChatViewModel::pageSize), 10000);
        // The reader is on the newest message of the older page, just above the one they left.
        QCOMPARE(listkeys::currentRow(messageList()), rows->rowOfMessage(oldest) - 1);
        QVERIFY(messageList()->viewport()->rect().intersects(messageList()->visualRect(messageList()->currentIndex())));
        QCOMPARE(focusedName(), u"messageList"_s);
    }

    // A control that goes away under the keyboard hands the focus to where the work
    // goes on, never to whatever comes next (Sign Out, at the end of the chain's wrap).
    void focusStaysWithTheWork()
    {
        QVERIFY(signedIn());
        chatShown();
        if (QTest::currentTestFailed())
            return;
        ChatViewModel* vm = m_main->chatView()->viewModel();
        vm->setReplyToMessage(vm->messages().constFirst());
        QVERIFY(tabTo(u"cancelReplyButton"_s, true));
        press(Qt::Key_Space);
        QVERIFY(!vm->replyToMessage());
        QCOMPARE(focusedName(), u"messageField"_s);

        QVERIFY(tabTo(u"conversationSearchField"_s, true));
        type(u"Bo"_s);
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), u"clearSearchButton"_s);
        press(Qt::Key_Space);
        QCOMPARE(focusedName(), u"conversationSearchField"_s);
        QVERIFY(focused()->property("text").toString().isEmpty());

        // Another screen opens a chat ("Send Message"): the caret goes to its input.
        QVERIFY(tabTo(u"messageList"_s, true));
        Conversation other;
        for (const Conversation& conversation : m_main->conversationListViewModel()->conversations())
            if (ConversationRow::displayName(conversation).contains(u"Hiking"_s))
                other = conversation;
        NotificationCenter::shared().post(NotificationName::navigateToConversation(), { { u"conversation"_s, QVariant::fromValue(other) } });
        QTRY_COMPARE(m_main->chatView()->conversationId(), other.id);
        QCOMPARE(focusedName(), u"messageField"_s);
    }

    // Escape in the input drops the reply being written, keeping the words typed;
    // with no reply pending it changes nothing in the chat.
    void escapeCancelsTheReply()
    {
        QVERIFY(signedIn());
        chatShown();
        if (QTest::currentTestFailed())
            return;
        ChatViewModel* vm = m_main->chatView()->viewModel();
        vm->setReplyToMessage(vm->messages().constFirst());
        m_main->chatView()->focusInput();
        QCOMPARE(focusedName(), u"messageField"_s);
        type(u"half a reply"_s);
        press(Qt::Key_Escape);
        QVERIFY(!vm->replyToMessage());
        QVERIFY(!m_main->findChild<QWidget*>(u"cancelReplyButton"_s)->isVisible());
        QCOMPARE(focusedName(), u"messageField"_s);
        QCOMPARE(qobject_cast<QPlainTextEdit*>(focused())->toPlainText(), u"half a reply"_s);
        press(Qt::Key_Escape);
        QCOMPARE(focusedName(), u"messageField"_s);
        QCOMPARE(qobject_cast<QPlainTextEdit*>(focused())->toPlainText(), u"half a reply"_s);
        qobject_cast<QPlainTextEdit*>(focused())->clear();
    }

    // A sheet puts the caret in its first field and gives the focus back when it closes.
    void sheetsTakeAndGiveBackFocus_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("firstField");
        QTest::newRow("search") << Qt::Key_F << u"searchSheet"_s << u"searchField"_s;
        QTest::newRow("add contact") << Qt::Key_N << u"addContactSheet"_s << u"keywordField"_s;
    }
    void sheetsTakeAndGiveBackFocus()
    {
        QFETCH(Qt::Key, key);
        QFETCH(QString, sheet);
        QFETCH(QString, firstField);
        QVERIFY(signedIn());
        chatShown();
        if (QTest::currentTestFailed())
            return;
        m_main->chatView()->focusInput();
        QCOMPARE(focusedName(), u"messageField"_s);
        press(key, Qt::ControlModifier);
        auto* dialog = m_main->findChild<QDialog*>(sheet);
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(keyboardwalk::activate(dialog));
        QCOMPARE(focusedName(), firstField);
        press(Qt::Key_Escape);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QTRY_COMPARE(focusedName(), u"messageField"_s);
    }

    void searchSheetWalk_data()
    {
        QTest::addColumn<QString>("language");
        for (const AppLanguage each : appLanguage::allCases())
            QTest::newRow(appLanguage::rawValue(each).toLatin1()) << appLanguage::rawValue(each);
    }
    void searchSheetWalk()
    {
        QFETCH(QString, language);
        QVERIFY(signedIn());
        LocalizationManager::shared().setLanguage(*appLanguage::fromRawValue(language));
        m_main->toggleSearch();
        auto* sheet = m_main->findChild<QDialog*>(u"searchSheet"_s);
        QVERIFY(sheet->isVisible());
        verifyWindow(sheet, { u"searchCloseButton"_s, u"searchField"_s });
        // With a keyword and results, the clear button and the results join in.
        QVERIFY(keyboardwalk::activate(sheet));
        sheet->findChild<QLineEdit*>(u"searchField"_s)->setFocus();
        type(u"Bob"_s);
        press(Qt::Key_Return);
        auto* results = sheet->findChild<QListView*>(u"searchResults"_s);
        QTRY_VERIFY_WITH_TIMEOUT(results->isVisible() && results->model()->rowCount() > 0, 10000);
        verifyWindow(sheet, { u"searchCloseButton"_s, u"searchField"_s, u"searchClearButton"_s, u"searchResults"_s });
        m_main->toggleSearch();
        QTRY_VERIFY(!sheet->isVisible());
    }

    // The settings window closes with the platform's close keys.
    void settingsWindowClosesWithCtrlW()
    {
        QVERIFY(signedIn());
        QVERIFY(keyboardwalk::activate(window()));
        press(Qt::Key_Comma, Qt::ControlModifier);
        QTRY_VERIFY(m_app->settingsWindow() && m_app->settingsWindow()->isVisible());
        // Opened from the keyboard, the window has the keyboard.
        QTRY_COMPARE(QApplication::activeWindow(), m_app->settingsWindow());
        // Asked for again while it waits behind the main window, it comes forward with the keyboard.
        QVERIFY(keyboardwalk::activate(window()));
        press(Qt::Key_Comma, Qt::ControlModifier);
        QTRY_COMPARE(QApplication::activeWindow(), m_app->settingsWindow());
        QTest::keyClick(m_app->settingsWindow(), Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!m_app->settingsWindow()->isVisible());
    }

    // Return presses the settings window's focused button too: Sign Out there signs out.
    void settingsWindowReturnPressesItsButton()
    {
        QVERIFY(signedIn());
        press(Qt::Key_Comma, Qt::ControlModifier);
        QTRY_COMPARE(QApplication::activeWindow(), m_app->settingsWindow());
        QVERIFY(tabTo(u"logoutButton"_s));
        QSignalSpy clicked(qobject_cast<QAbstractButton*>(focused()), &QAbstractButton::clicked);
        press(Qt::Key_Return);
        QCOMPARE(clicked.size(), 1);
        m_main = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<LoginView*>(m_app->contentView()->currentScreen()), 10000);
        m_app->settingsWindow()->close();
    }

    // Deleting a conversation from its menu, confirmed with the keyboard: the focus
    // comes back to the list, on the row that took the deleted one's place.
    void deleteKeepsTheKeyboardInTheList()
    {
        QVERIFY(signedIn());
        // A conversation no other function needs, below the first row: Bob makes a
        // group with Alice and writes in it, and Alice's chat with Zhang San is pinned.
        ApiClient bob(m_server.baseUrl());
        bob.login(u"bob"_s, u"bob12345"_s);
        const HttpResult created = bob.mutation(u"conversations.create"_s,
            QJsonObject { { u"type"_s, u"group"_s }, { u"name"_s, u"To delete"_s },
                          { u"memberIds"_s, QJsonArray { m_app->authViewModel()->user()->id } } });
        const qint64 doomed = created.data().toObject().value(u"conversationId"_s).toInteger();
        QVERIFY(doomed > 0);
        LiveClient live(m_server.wsUrl());
        QVERIFY(live.authenticate(bob.token, bob.userId(), u"bob-delete"_s));
        live.sendFrame(u"message_send"_s, QJsonObject { { u"clientMsgId"_s, u"bob-delete"_s }, { u"conversationId"_s, doomed },
                                              { u"type"_s, u"text"_s }, { u"content"_s, u"before the deletion"_s } });
        QVERIFY(live.waitFor(u"message_ack"_s));
        auto* rows = qobject_cast<ConversationListModel*>(conversationList()->model());
        QTRY_VERIFY(rows->rowOf(doomed) >= 0);
        ConversationListViewModel* conversations = m_main->conversationListViewModel();
        const auto zhang = [conversations]() -> std::optional<Conversation> {
            for (const Conversation& conversation : conversations->conversations())
                if (ConversationRow::displayName(conversation).contains(u"张三"_s))
                    return conversation;
            return std::nullopt;
        };
        QVERIFY(zhang());
        conversations->togglePin(*zhang());
        const auto unpin = qScopeGuard([&] {
            if (zhang() && zhang()->isPinned.value_or(false))
                conversations->togglePin(*zhang());
        });
        QCOMPARE(rows->rowOf(zhang()->id), 0);

        m_main->setSelectedSection(SidebarSection::messages);
        QVERIFY(keyboardwalk::activate(window()));
        QVERIFY(tabTo(u"conversationList"_s));
        press(Qt::Key_Home);
        while (rows->conversationAt(listkeys::currentRow(conversationList())).id != doomed
               && listkeys::currentRow(conversationList()) < rows->rowCount() - 1)
            press(Qt::Key_Down);
        const int row = listkeys::currentRow(conversationList());
        const int count = rows->rowCount();
        QCOMPARE(rows->conversationAt(row).id, doomed);
        QVERIFY2(row > 0, "a row the first one does not replace");
        QVERIFY(listkeys::choose(conversationList(), u"deleteAction"_s));
        QWidget* confirmation = nullptr;
        QTRY_VERIFY((confirmation = QApplication::activeModalWidget()));
        QVERIFY(keyboardwalk::activate(confirmation));
        // The safe answer has the focus; the person moves to Delete and presses Space.
        QCOMPARE(focusedName(), u"cancelButton"_s);
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), u"confirmButton"_s);
        press(Qt::Key_Space);
        QTRY_COMPARE(rows->rowCount(), count - 1);
        QCOMPARE(rows->rowOf(doomed), -1);
        QCOMPARE(focusedName(), u"conversationList"_s);
        QCOMPARE(listkeys::currentRow(conversationList()), qMin(row, count - 2));
    }

    void cleanupTestCase()
    {
        m_app.reset();
        testsupport::forgetSignedInAccount();
    }
};

QTEST_MAIN(TestKeyboardMainWindow)
#include "tst_keyboard_main_window.moc"
