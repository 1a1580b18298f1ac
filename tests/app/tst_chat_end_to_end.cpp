// The chat road against a real morvane-server: sign in as a demo user, open a
// conversation, send "hello" and see the clock turn into a checkmark on the ack;
// a second client's message raises the unread badge of another conversation.

#include "ClientAgainstServer.h"
#include "ServerProcess.h"
#include "ServerTestClient.h"
#include "TaskRunner.h"

#include "app/ContentView.h"
#include "app/MainView.h"
#include "app/MorvaneApp.h"
#include "network/WebSocketService.h"
#include "state/chat/AuthViewModel.h"
#include "state/chat/ChatViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/chat/ConversationListViewModel.h"
#include "views/chat/ChatView.h"
#include "views/chat/ConversationListModel.h"
#include "views/chat/ConversationListView.h"
#include "views/chat/ConversationRow.h"
#include "views/chat/MessageBubble.h"
#include "views/chat/MessageInputBar.h"
#include "views/chat/MessageListModel.h"
#include "views/chat/MessageListView.h"
#include "views/account/FavoritesView.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Localized.h"

#include <algorithm>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using testsupport::ServerProcess;

class TestChatEndToEnd : public QObject {
    Q_OBJECT

    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<MorvaneApp> m_app;
    AppLanguage m_language {};

    MainView* main() const { return qobject_cast<MainView*>(m_app->contentView()->currentScreen()); }

    std::optional<Conversation> conversationNamed(const QString& part) const
    {
        for (const Conversation& c : main()->conversationListViewModel()->conversations())
            if (ConversationRow::displayName(c).contains(part))
                return c;
        return std::nullopt;
    }

    // The chat of the conversation whose name has this part, opened unless it is open.
    ChatView* openChat(const QString& part)
    {
        const std::optional<Conversation> conversation = conversationNamed(part);
        if (!conversation)
            return nullptr;
        if (!main()->chatView() || main()->chatView()->conversationId() != conversation->id)
            main()->setSelectedConversation(conversation);
        const auto opened = [&] {
            ChatView* chat = main()->chatView();
            return chat && chat->conversationId() == conversation->id && !chat->viewModel()->messages().isEmpty();
        };
        return QTest::qWaitFor(opened, testsupport::kPatienceMs) ? main()->chatView() : nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        testsupport::useServerSignedOut(m_server);

        m_app = std::make_unique<MorvaneApp>();
        m_app->show();
        QWidget* login = m_app->contentView()->currentScreen();
        QTest::keyClicks(login->findChild<QLineEdit*>(QStringLiteral("usernameField")), QStringLiteral("alice"));
        QTest::keyClicks(login->findChild<QLineEdit*>(QStringLiteral("passwordField")), QStringLiteral("alice123"));
        QTest::keyClick(login->findChild<QLineEdit*>(QStringLiteral("passwordField")), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(main(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(main()->conversationListViewModel()->conversations().size() >= 3, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(WebSocketService::shared()->isConnected(), 10000);
        m_language = LocalizationManager::shared().currentLanguage();
    }

    // Every function starts where a user lands after signing in: the messages section,
    // the full list with nothing pinned or muted, no chat, sheet or settings open, the
    // first language. What one function leaves behind when it fails stays its own.
    void init()
    {
        LocalizationManager::shared().setLanguage(m_language);
        main()->setSelectedSection(SidebarSection::messages);
        if (main()->showSearch())
            main()->toggleSearch();
        if (auto* sheet = main()->findChild<QDialog*>(QStringLiteral("addContactSheet")))
            sheet->close();
        if (m_app->settingsWindow())
            m_app->settingsWindow()->close();
        main()->setSelectedConversation(std::nullopt);
        QTRY_VERIFY(!main()->chatView());
        ConversationListViewModel* vm = main()->conversationListViewModel();
        for (const Conversation& c : vm->conversations()) {
            if (c.isPinned.value_or(false))
                vm->togglePin(c);
            if (c.isMuted.value_or(false))
                vm->toggleMute(c);
        }
        // The field follows the filter.
        vm->setSearchText(QString());
        const auto settled = [vm] {
            const QList<Conversation>& all = vm->conversations();
            return vm->filteredConversations().size() == all.size()
                && std::none_of(all.begin(), all.end(), [](const Conversation& c) { return c.isPinned.value_or(false) || c.isMuted.value_or(false); });
        };
        QTRY_VERIFY(settled());
        QCOMPARE(main()->findChild<QLineEdit*>(QStringLiteral("conversationSearchField"))->text(), QString());
    }

    void listShowsServerConversations()
    {
        main()->setSelectedConversation(std::nullopt);
        QTRY_VERIFY(!main()->chatView());
        auto* list = main()->findChild<QListView*>(QStringLiteral("conversationList"));
        QVERIFY(list);
        QTRY_COMPARE(list->model()->rowCount(), 3);
        // Bob's two unread messages show as a badge.
        const auto bob = conversationNamed(QStringLiteral("Bob"));
        QVERIFY(bob);
        QCOMPARE(ConversationRow::badgeText(bob->unreadCount), QStringLiteral("2"));

        // The context menu of a pinned, muted conversation, in order.
        ConversationListViewModel* vm = main()->conversationListViewModel();
        vm->togglePin(*bob);
        vm->toggleMute(*bob);
        auto* view = main()->findChild<ConversationListView*>();
        std::unique_ptr<QMenu> menu(view->contextMenu(*conversationNamed(QStringLiteral("Bob"))));
        QStringList entries;
        for (QAction* action : menu->actions())
            entries << action->text();
        QCOMPARE(entries, (QStringList { Localized::text("conversation.unpin"), Localized::text("conversation.unmute"),
                              Localized::text("conversation.mark_read"), Localized::text("conversation.delete") }));
        vm->togglePin(*conversationNamed(QStringLiteral("Bob")));
        vm->toggleMute(*conversationNamed(QStringLiteral("Bob")));

        // A right click opens the menu only: it neither selects the row nor opens the chat.
        auto* rows = qobject_cast<ConversationListModel*>(list->model());
        const QPoint bobRow = list->visualRect(rows->index(rows->rowOf(bob->id))).center();
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, bobRow);
        QVERIFY(!list->selectionModel()->hasSelection());
        QVERIFY(!main()->chatView());
        // Closing the menu hands the focus back to the list, which makes its first row current.
        QFocusEvent focusBack(QEvent::FocusIn, Qt::PopupFocusReason);
        QApplication::sendEvent(list, &focusBack);
        QVERIFY(!main()->chatView());

        // Searching: the clear button shows from the first character and brings the full list back.
        auto* search = main()->findChild<QLineEdit*>(QStringLiteral("conversationSearchField"));
        auto* clear = main()->findChild<QToolButton*>(QStringLiteral("clearSearchButton"));
        QVERIFY(clear->isHidden());
        QTest::keyClicks(search, QStringLiteral("Bob"));
        QVERIFY(clear->isVisible());
        QTRY_COMPARE(list->model()->rowCount(), 1);
        QTest::mouseClick(clear, Qt::LeftButton);
        QVERIFY(clear->isHidden());
        QCOMPARE(search->text(), QString());
        QTRY_COMPARE(list->model()->rowCount(), 3);
    }

    void sendHelloSeesClockThenCheckmark()
    {
        const auto zhang = conversationNamed(QStringLiteral("张三"));
        QVERIFY(zhang);
        auto* list = main()->findChild<QListView*>(QStringLiteral("conversationList"));
        auto* model = qobject_cast<ConversationListModel*>(list->model());
        main()->setSelectedConversation(std::nullopt);
        QTRY_VERIFY(!main()->chatView());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(model->index(model->rowOf(zhang->id))).center());
        QTRY_VERIFY(main()->chatView());
        ChatView* chat = main()->chatView();
        QCOMPARE(chat->conversationId(), zhang->id);
        MessageListModel* messages = chat->messageList()->messageModel();
        // The demo's three messages, and what other functions sent here.
        QTRY_VERIFY(messages->messageCount() >= 3);
        const int before = messages->messageCount();
        QVERIFY(!messages->showsLoadMore());

        QSignalSpy rows(messages, &QAbstractItemModel::rowsInserted);
        auto* field = chat->inputBar()->findChild<QPlainTextEdit*>(QStringLiteral("messageField"));
        QTest::keyClicks(field, QStringLiteral("hello"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(field->toPlainText(), QString());
        QCOMPARE(messages->messageCount(), before + 1);
        const Message sending = messages->messageAt(messages->rowCount() - 1);
        QCOMPARE(sending.content, std::optional(QStringLiteral("hello")));
        QCOMPARE(sending.status, std::optional(QStringLiteral("sending")));
        QCOMPARE(MessageBubble::statusIcon(sending.status)->symbol, QStringLiteral("clock"));
        QTRY_VERIFY_WITH_TIMEOUT(messages->messageAt(messages->rowCount() - 1).status == QStringLiteral("sent"), 10000);
        const Message sent = messages->messageAt(messages->rowCount() - 1);
        QVERIFY(sent.id > 0);
        QVERIFY(MessageBubble::statusIcon(sent.status));
        QCOMPARE(MessageBubble::statusIcon(sent.status)->symbol, QStringLiteral("checkmark"));
        QVERIFY(MessageBubble::isOnServer(sent));
        // The view follows the newest message.
        QCOMPARE(chat->messageList()->verticalScrollBar()->value(), chat->messageList()->verticalScrollBar()->maximum());
    }

    void anotherClientsMessageRaisesUnreadBadge()
    {
        const auto group = conversationNamed(QStringLiteral("Hiking"));
        QVERIFY(group);
        const qint64 before = group->unreadCount.value_or(0);

        ApiClient bob(m_server.baseUrl());
        const QJsonObject session = bob.login(QStringLiteral("bob"), QStringLiteral("bob12345"));
        LiveClient live(m_server.wsUrl());
        QVERIFY(live.authenticate(bob.token, bob.userId(), QStringLiteral("bob-test")));
        live.sendFrame(QStringLiteral("message_send"),
            QJsonObject { { QStringLiteral("clientMsgId"), QStringLiteral("bob-1") }, { QStringLiteral("conversationId"), group->id },
                { QStringLiteral("type"), QStringLiteral("text") }, { QStringLiteral("content"), QStringLiteral("See you Saturday") } });
        QVERIFY(live.waitFor(QStringLiteral("message_ack")));

        QTRY_VERIFY_WITH_TIMEOUT(conversationNamed(QStringLiteral("Hiking"))->unreadCount.value_or(0) == before + 1, 10000);
        const Conversation updated = *conversationNamed(QStringLiteral("Hiking"));
        QCOMPARE(ConversationRow::badgeText(updated.unreadCount), QString::number(before + 1));
        QCOMPARE(updated.lastMessage, std::optional(QStringLiteral("See you Saturday")));
    }

    // The list's preview of a revoked newest message is the revoked notice, whoever
    // revoked it, and stays so across a reload of the list.
    void revokedPreviewOnBothSides()
    {
        ConversationListViewModel* list = main()->conversationListViewModel();
        // Received: Bob writes to the group, then takes it back.
        const auto group = conversationNamed(QStringLiteral("Hiking"));
        QVERIFY(group);
        ApiClient bob(m_server.baseUrl());
        bob.login(QStringLiteral("bob"), QStringLiteral("bob12345"));
        LiveClient live(m_server.wsUrl());
        QVERIFY(live.authenticate(bob.token, bob.userId(), QStringLiteral("bob-revoke")));
        live.sendFrame(QStringLiteral("message_send"),
            QJsonObject { { QStringLiteral("clientMsgId"), QStringLiteral("bob-secret") }, { QStringLiteral("conversationId"), group->id },
                { QStringLiteral("type"), QStringLiteral("text") }, { QStringLiteral("content"), QStringLiteral("secret plan") } });
        const std::optional<QJsonObject> ack = live.waitFor(QStringLiteral("message_ack"));
        QVERIFY(ack);
        const qint64 secretId = ack->value(QStringLiteral("messageId")).toInteger();
        QVERIFY(secretId > 0);
        QTRY_COMPARE_WITH_TIMEOUT(conversationNamed(QStringLiteral("Hiking"))->lastMessage, std::optional(QStringLiteral("secret plan")), 10000);
        QCOMPARE(bob.mutation(QStringLiteral("messages.revoke"), QJsonObject { { QStringLiteral("messageId"), secretId } }).status, 200);
        const QString bobNotice = QStringLiteral("Bob Smith") + Localized::text("chat.revoked_other");
        QTRY_COMPARE_WITH_TIMEOUT(ConversationRow::previewText(*conversationNamed(QStringLiteral("Hiking"))), bobNotice, 10000);

        // Sent: Alice takes back her own newest message in an open chat.
        ChatView* chat = openChat(QStringLiteral("张三"));
        QVERIFY(chat);
        auto* field = chat->inputBar()->findChild<QPlainTextEdit*>(QStringLiteral("messageField"));
        QTest::keyClicks(field, QStringLiteral("oops"));
        QTest::keyClick(field, Qt::Key_Return);
        ChatViewModel* vm = chat->viewModel();
        QTRY_VERIFY_WITH_TIMEOUT(vm->messages().constLast().status == QStringLiteral("sent"), 10000);
        const qint64 chatId = chat->conversationId();
        auto preview = [&](qint64 id) {
            for (const Conversation& c : list->conversations())
                if (c.id == id)
                    return ConversationRow::previewText(c);
            return QString();
        };
        QTRY_COMPARE(preview(chatId), QStringLiteral("oops"));
        testsupport::runTask(vm->revokeMessage(vm->messages().constLast()));
        QTRY_COMPARE_WITH_TIMEOUT(preview(chatId), Localized::text("chat.revoked_mine"), 10000);

        testsupport::runTask(list->loadConversations());
        QCOMPARE(preview(chatId), Localized::text("chat.revoked_mine"));
        QCOMPARE(ConversationRow::previewText(*conversationNamed(QStringLiteral("Hiking"))), bobNotice);
    }

    // Switching the language with the main window and a chat open relabels every
    // open widget that shows a key's text, Qt's own standard buttons included.
    void languageSwitchRelabelsOpenWindows()
    {
        ChatView* chat = openChat(QStringLiteral("张三"));
        QVERIFY(chat);
        Message target;
        target.id = 1;
        target.senderName = QStringLiteral("张三");
        chat->viewModel()->setReplyToMessage(target);
        m_app->openSettings();
        main()->toggleSearch();
        main()->openNewChat();
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);

        auto text = [this](const char* name) -> QString {
            QObject* object = main()->findChild<QObject*>(QString::fromLatin1(name));
            if (!object)
                object = m_app->mainWindow()->findChild<QObject*>(QString::fromLatin1(name));
            if (!object)
                return QStringLiteral("<missing %1>").arg(QString::fromLatin1(name));
            if (auto* label = qobject_cast<QLabel*>(object))
                return label->text();
            if (auto* button = qobject_cast<QAbstractButton*>(object))
                return button->text();
            if (auto* line = qobject_cast<QLineEdit*>(object))
                return line->placeholderText();
            if (auto* field = qobject_cast<QPlainTextEdit*>(object))
                return field->placeholderText();
            if (auto* action = qobject_cast<QAction*>(object))
                return action->text();
            if (auto* widget = qobject_cast<QWidget*>(object))
                return widget->windowTitle();
            return {};
        };
        LocalizationManager& language = LocalizationManager::shared();
        const AppLanguage first = language.currentLanguage();
        QList<AppLanguage> order;
        for (AppLanguage other : appLanguage::allCases())
            if (other != first)
                order << other;
        order << first;
        for (AppLanguage next : std::as_const(order)) {
            language.setLanguage(next);
            QCOMPARE(language.currentLanguage(), next);
            auto* sections = main()->findChild<QListWidget*>(QStringLiteral("sidebarSections"));
            QCOMPARE(sections->item(0)->text(), Localized::text("tab.messages"));
            QCOMPARE(sections->item(5)->text(), Localized::text("content.settings_title"));
            QCOMPARE(text("connectionLabel"), Localized::text("sidebar.connected"));
            QCOMPARE(text("signOutButton"), Localized::text("profile.logout"));
            QCOMPARE(text("conversationListTitle"), Localized::text("conversation.title"));
            QCOMPARE(text("conversationSearchField"), Localized::text("conversation.search_placeholder"));
            QCOMPARE(text("messageField"), Localized::text("input.placeholder"));
            QCOMPARE(text("replyTitle"), Localized::text("chat.reply_prefix") + QStringLiteral(" 张三"));
            QCOMPARE(text("searchSheet"), Localized::text("search.title"));
            QCOMPARE(text("addContactSheet"), Localized::text("add.title"));
            QCOMPARE(text("keywordField"), Localized::text("add.search_placeholder"));
            QCOMPARE(text("openSettingsAction"), Localized::text("content.settings_title"));
            QCOMPARE(m_app->settingsWindow()->windowTitle(), Localized::text("settings.general_title"));
            QCOMPARE(m_app->settingsWindow()->findChild<QLabel*>(QStringLiteral("languageLabel"))->text(),
                Localized::text("settings.language"));
            // Qt's own texts: Chinese from Qt's catalogue; English is Qt's own language.
            QApplication::processEvents();
            const QString cancel = buttons.button(QDialogButtonBox::Cancel)->text();
            if (next == AppLanguage::zhHans)
                QVERIFY2(cancel.contains(QStringLiteral("取消")), qPrintable(cancel));
            if (next == AppLanguage::en)
                QVERIFY2(cancel.contains(QStringLiteral("Cancel")), qPrintable(cancel));
        }
        chat->viewModel()->setReplyToMessage(std::nullopt);
        main()->toggleSearch();
        main()->findChild<QDialog*>(QStringLiteral("addContactSheet"))->close();
        m_app->settingsWindow()->close();
    }

    // A contact who renames themself: the row and the open chat's header take the
    // new name when the list is read again, here on coming back to the section;
    // the favourites column met on the way is made afresh on the next visit.
    void renamedContactReachesRowAndHeader()
    {
        const auto zhangChat = conversationNamed(QStringLiteral("张三"));
        QVERIFY(zhangChat);
        main()->setSelectedConversation(zhangChat);
        auto title = [this] {
            ChatView* chat = main()->chatView();
            return chat ? chat->findChild<ElidedLabel*>(QStringLiteral("chatTitle"))->fullText() : QString();
        };
        QTRY_COMPARE(title(), QStringLiteral("张三"));

        ApiClient zhang(m_server.baseUrl());
        zhang.login(QStringLiteral("zhangsan"), QStringLiteral("zhangsan123"));
        const auto rename = [&zhang](const QString& name) {
            return zhang.mutation(QStringLiteral("user.updateProfile"), QJsonObject { { QStringLiteral("name"), name } }).status;
        };
        // The other functions find the chat by the demo's name.
        auto restore = qScopeGuard([&rename] { rename(QStringLiteral("张三")); });
        QCOMPARE(rename(QStringLiteral("Zhang San")), 200);

        main()->setSelectedSection(SidebarSection::favorites);
        QTRY_VERIFY(main()->findChild<FavoritesView*>() && main()->findChild<FavoritesView*>()->isVisible());
        const QPointer<FavoritesView> favorites = main()->findChild<FavoritesView*>();
        main()->setSelectedSection(SidebarSection::messages);
        QTRY_COMPARE(title(), QStringLiteral("Zhang San"));
        auto* list = main()->findChild<QListView*>(QStringLiteral("conversationList"));
        auto* rows = qobject_cast<ConversationListModel*>(list->model());
        QCOMPARE(rows->index(rows->rowOf(zhangChat->id)).data(Qt::DisplayRole).toString(), QStringLiteral("Zhang San"));
        main()->setSelectedSection(SidebarSection::favorites);
        QTRY_VERIFY(!favorites);
        QCOMPARE(main()->findChildren<FavoritesView*>().size(), 1);
        QVERIFY(main()->findChild<FavoritesView*>()->isVisible());

        restore.dismiss();
        QCOMPARE(rename(QStringLiteral("张三")), 200);
        main()->setSelectedSection(SidebarSection::messages);
        QTRY_COMPARE(title(), QStringLiteral("张三"));
    }
};

QTEST_MAIN(TestChatEndToEnd)
#include "tst_chat_end_to_end.moc"
