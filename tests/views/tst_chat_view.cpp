#include "PngBytes.h"
#include "ClientStack.h"
#include "ManualTimers.h"
#include "PostedEvents.h"
#include "Snapshot.h"

#include "network/WebSocketService.h"
#include "state/chat/ChatViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/chat/ChatView.h"
#include "views/chat/MessageBubble.h"
#include "views/chat/MessageInputBar.h"
#include "views/chat/MessageListModel.h"
#include "views/chat/MessageListView.h"
#include "views/chat/MessageListModel.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/ImageLoader.h"
#include "views/common/Localized.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QJsonObject>
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// A page as the server sends it, newest first: ids newest down to newest - count + 1.
QByteArray pageJson(qint64 newest, int count)
{
    QJsonArray page;
    for (qint64 id = newest; id > newest - count; --id)
        page.append(QJsonObject { { QStringLiteral("id"), id }, { QStringLiteral("conversationId"), 1 },
                                  { QStringLiteral("senderId"), id % 2 ? 10 : 20 }, { QStringLiteral("type"), QStringLiteral("text") },
                                  { QStringLiteral("content"), QStringLiteral("message %1").arg(id) } });
    return QJsonDocument(page).toJson(QJsonDocument::Compact);
}

QList<qint64> ids(const QList<Message>& messages)
{
    QList<qint64> result;
    for (const Message& message : messages)
        result << message.id;
    return result;
}

} // namespace

class TestChatView : public QObject {
    Q_OBJECT

    std::shared_ptr<ManualTimers> m_timers;

    std::unique_ptr<ChatView> makeView()
    {
        m_timers = std::make_shared<ManualTimers>();
        ChatViewModel::Dependencies deps = ChatViewModel::sharedDependencies();
        deps.timers = m_timers;
        auto view = std::make_unique<ChatView>(std::make_unique<ChatViewModel>(1, 10, deps), QStringLiteral("Ann"));
        view->resize(600, 500);
        return view;
    }

    // As the main window holds it: the detail column of a split window.
    static ChatView* showInSplitWindow(QSplitter& window, ClientStack& stack)
    {
        window.addWidget(new QWidget);
        auto* chat = new ChatView(std::make_unique<ChatViewModel>(1, 10, stack.chatDependencies()), QStringLiteral("Ann"));
        window.addWidget(chat);
        window.resize(900, 600);
        window.show();
        return chat;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Times in the pictures read the same wherever the test runs.
        qputenv("TZ", "UTC");
        Snapshot::holdStill();
    }

    // A conversation with a message of each kind, as the split window shows it: text from
    // either side (own ones with their ticks: sent, delivered, read, sending, failed),
    // reactions, a picture, a file, a place, a contact card, a voice note, a long text
    // that wraps, a message taken back; and a reply being written.
    void bubblesOfEveryKind()
    {
        // In the app's look; its font is given back for the tests after this one.
        const QFont font = QApplication::font();
        const auto restore = qScopeGuard([font] { QApplication::setFont(font); });
        Appearance::install();
        ClientStack stack;
        stack.storeSession(ClientStack::user(10, QStringLiteral("Me")));
        QImage picture(160, 100, QImage::Format_RGB32);
        picture.fill(QColor(0x34, 0x78, 0xc8));
        QPainter(&picture).fillRect(0, 50, 160, 50, QColor(0xf0, 0xc0, 0x30));
        const QByteArray png = pngBytes(picture);
        stack.server.respond(u"/uploads/sea.png"_s, { 200, png, { { "Content-Type", "image/png" } } });
        const QString pictureUrl = stack.server.baseUrl() + u"/uploads/sea.png"_s;
        // Bo's avatar is a picture too (cut to its disc); Me has none and shows an initial.
        stack.server.respond(u"/uploads/bo.png"_s, { 200, png, { { "Content-Type", "image/png" } } });
        const QString avatarUrl = stack.server.baseUrl() + u"/uploads/bo.png"_s;
        stack.server.respond(procedure("conversations.markAsRead"), ok("null"));
        // Newest first, a minute apart, as the server sends a page.
        QJsonArray page;
        const auto add = [&page, &avatarUrl](qint64 senderId, const QString& type, QJsonObject fields) {
            const qint64 id = 14 - page.size();
            fields.insert(u"id"_s, id);
            fields.insert(u"conversationId"_s, 1);
            fields.insert(u"senderId"_s, senderId);
            fields.insert(u"type"_s, type);
            fields.insert(u"createdAt"_s, u"2024-03-09T09:%1:00Z"_s.arg(id, 2, 10, QLatin1Char('0')));
            fields.insert(u"senderName"_s, senderId == 10 ? u"Me"_s : u"Bo"_s);
            if (senderId != 10)
                fields.insert(u"senderAvatar"_s, avatarUrl);
            page.append(fields);
        };
        const auto reaction = [](qint64 userId, const QString& emoji) {
            return QJsonObject { { u"messageId"_s, 11 }, { u"userId"_s, userId }, { u"emoji"_s, emoji } };
        };
        add(10, u"text"_s, { { u"content"_s, u"on my way"_s }, { u"status"_s, u"failed"_s } });
        add(10, u"text"_s, { { u"content"_s, u"leaving now"_s }, { u"status"_s, u"sending"_s } });
        add(20, u"text"_s, { { u"content"_s, u"x"_s }, { u"revokedAt"_s, u"2024-03-09T09:12:30Z"_s } });
        add(20, u"text"_s, { { u"content"_s, u"see you at nine"_s },
                             { u"reactions"_s, QJsonArray { reaction(10, u"👍"_s), reaction(20, u"👍"_s), reaction(30, u"😂"_s) } } });
        add(20, u"voice"_s, { { u"content"_s, u"7"_s } });
        add(10, u"contact_card"_s, { { u"content"_s, u"{\"name\":\"Cy\"}"_s }, { u"status"_s, u"read"_s } });
        add(20, u"location"_s, { { u"content"_s, u"{\"name\":\"Harbour\"}"_s } });
        add(10, u"file"_s, { { u"fileName"_s, u"plan.pdf"_s }, { u"fileSize"_s, 245760 }, { u"status"_s, u"delivered"_s } });
        add(10, u"text"_s, { { u"content"_s, u"A longer message that takes more than one line in the bubble, so it wraps."_s },
                             { u"status"_s, u"sent"_s } });
        add(20, u"image"_s, { { u"fileUrl"_s, pictureUrl } });
        stack.server.respond(procedure("messages.list"), ok(QJsonDocument(page).toJson(QJsonDocument::Compact)));
        QSplitter window;
        ChatView* chat = showInSplitWindow(window, stack);
        window.resize(900, 780);
        window.setSizes({ 300, 600 });
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(chat->viewModel()->messages().size(), 10);
        QTRY_VERIFY(!chat->viewModel()->isLoading());
        QTRY_COMPARE(ImageLoader::shared().state(QUrl(pictureUrl)), ImageLoader::State::Loaded);
        QTRY_COMPARE(ImageLoader::shared().state(QUrl(avatarUrl)), ImageLoader::State::Loaded);
        Message target;
        target.id = 11;
        target.senderName = QStringLiteral("Bo");
        target.content = QStringLiteral("see you at nine");
        chat->viewModel()->setReplyToMessage(target);
        QTRY_VERIFY(chat->findChild<QWidget*>(QStringLiteral("replyBar"))->isVisible());
        QTest::keyClicks(chat->findChild<QPlainTextEdit*>(QStringLiteral("messageField")), QStringLiteral("yes"));
        MessageListView* list = chat->messageList();
        QTRY_COMPARE(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
        VERIFY_SNAPSHOT(chat, u"chat"_s);
    }

    void typingLineLastsThreeSecondsAfterTheLastEvent()
    {
        auto view = makeView();
        view->show();
        auto* typing = view->findChild<QLabel*>(QStringLiteral("typingLabel"));
        QVERIFY(typing->isHidden());
        Q_EMIT WebSocketService::shared()->typingSubject(1, 20, QStringLiteral("Ann"));
        QTRY_VERIFY(typing->isVisible());
        QCOMPARE(typing->text(), QStringLiteral("Ann ") + Localized::text("chat.typing"));
        m_timers->advance(2000);
        Q_EMIT WebSocketService::shared()->typingSubject(1, 20, QStringLiteral("Ann"));
        QVERIFY(testsupport::postedEventsHandled());
        m_timers->advance(2000);
        QVERIFY(testsupport::postedEventsHandled());
        QVERIFY(typing->isVisible());
        m_timers->advance(1000);
        QTRY_VERIFY(typing->isHidden());

        // One's own typing and another conversation's typing show nothing.
        Q_EMIT WebSocketService::shared()->typingSubject(1, 10, QStringLiteral("Me"));
        Q_EMIT WebSocketService::shared()->typingSubject(2, 20, QStringLiteral("Ann"));
        QVERIFY(testsupport::postedEventsHandled());
        QVERIFY(typing->isHidden());
    }

    // A notice longer than a narrow chat is wide wraps onto more lines within the
    // chat instead of being cut at both ends, in every language; a language switch
    // measures the row again for its new words.
    void longNoticeWrapsInANarrowChat_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<AppLanguage>("switchTo");
        QTest::addColumn<bool>("byAdministrator");
        QTest::newRow("zh-Hans, long sender name") << AppLanguage::zhHans << AppLanguage::vi << false;
        QTest::newRow("en, administrator") << AppLanguage::en << AppLanguage::zhHans << true;
        QTest::newRow("vi, administrator") << AppLanguage::vi << AppLanguage::en << true;
        QTest::newRow("en, long sender name") << AppLanguage::en << AppLanguage::zhHans << false;
    }
    void longNoticeWrapsInANarrowChat()
    {
        QFETCH(AppLanguage, language);
        QFETCH(AppLanguage, switchTo);
        QFETCH(bool, byAdministrator);
        const AppLanguage before = LocalizationManager::shared().currentLanguage();
        const auto restore = qScopeGuard([before] { LocalizationManager::shared().setLanguage(before); });
        LocalizationManager::shared().setLanguage(language);
        auto view = makeView();
        view->resize(150, 500);
        view->show();
        auto* list = view->findChild<MessageListView*>();
        QVERIFY(list);
        Message notice;
        notice.id = 5;
        notice.conversationId = 1;
        notice.senderId = 20;
        notice.senderName = byAdministrator ? QStringLiteral("Ann") : QStringLiteral("Maximilian Alexander Featherstonehaugh");
        notice.revokedAt = QStringLiteral("2024-05-01T08:09:10Z");
        notice.removedByAdmin = byAdministrator;
        list->setMessages({ notice });
        const QModelIndex row = list->messageModel()->indexOfMessage(5);
        QVERIFY(row.isValid());

        const QFont caption = Appearance::font(Appearance::TextStyle::Caption);
        const QString text = MessageBubble::revokedText(notice, false);
        const int width = list->viewport()->width() - 2 * list->spacing();
        const MessageBubble::Layout parts = list->bubble()->layout(notice, false, width);
        QVERIFY2(QFontMetrics(caption).horizontalAdvance(text) > parts.notice.width(), "the notice must be wider than the chat");
        QVERIFY(parts.notice.right() < list->viewport()->width());
        const QRect shown = list->visualRect(row);
        QVERIFY2(shown.height() >= 2 * QFontMetrics(caption).height(), qPrintable(QString::number(shown.height())));

        LocalizationManager::shared().setLanguage(switchTo);
        QTRY_COMPARE(list->visualRect(row).height(), list->bubble()->layout(notice, false, width).height);
    }

    // Sent while disconnected: the text becomes one failed bubble with the failed mark
    // beside it and leaves the input field for good (Return again sends nothing), and
    // the reply bar goes with it: the bubble keeps the reply for resending.
    void failedSendIsOneBubble()
    {
        auto view = makeView();
        view->show();
        Message target;
        target.id = 5;
        target.senderName = QStringLiteral("Bo");
        view->viewModel()->setReplyToMessage(target);
        const qsizetype listed = view->viewModel()->messages().size();
        auto* field = view->findChild<QPlainTextEdit*>(QStringLiteral("messageField"));
        QTest::keyClicks(field, QStringLiteral("hello"));
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(view->inputBar()->text(), QString());
        QCOMPARE(view->viewModel()->messages().size(), listed + 1);
        QVERIFY(view->findChild<QWidget*>(QStringLiteral("replyBar"))->isHidden());

        const Message failed = view->viewModel()->messages().constLast();
        QCOMPARE(failed.status, std::optional<QString>(QStringLiteral("failed")));
        QCOMPARE(failed.threadRootId, std::optional<qint64>(5));
        const MessageBubble* bubble = view->messageList()->bubble();
        const MessageBubble::Layout mine = bubble->layout(failed, true, 500);
        QVERIFY(!mine.failedMark.isNull());
        QVERIFY(mine.failedMark.right() < mine.content.left());
        Message sent = failed;
        sent.status = QStringLiteral("sent");
        QVERIFY(bubble->layout(sent, true, 500).failedMark.isNull());
        QVERIFY(bubble->layout(failed, false, 500).failedMark.isNull());
    }

    // A failed message's menu, opened on its bubble in the chat screen: Resend sends
    // it again under its own client message id (the server stores it once), listed
    // last; Delete is offered only for a message the server cannot hold (it never
    // left, or the server refused it), never for one whose frame may have reached
    // the server. Either holds for the chat opened again later.
    void failedMessageMenu_data()
    {
        QTest::addColumn<QString>("how"); // offline, unacknowledged, refused
        QTest::addColumn<bool>("discardOffered");
        QTest::addColumn<bool>("resend");
        QTest::newRow("never left, resend") << u"offline"_s << true << true;
        QTest::newRow("never left, delete") << u"offline"_s << true << false;
        QTest::newRow("unacknowledged, resend") << u"unacknowledged"_s << false << true;
        QTest::newRow("refused, delete") << u"refused"_s << true << false;
    }
    void failedMessageMenu()
    {
        QFETCH(QString, how);
        QFETCH(bool, discardOffered);
        QFETCH(bool, resend);
        ClientStack stack;
        if (how == u"offline")
            stack.storeSession(ClientStack::user(10, QStringLiteral("Me")));
        else
            QVERIFY(stack.connectChannel(ClientStack::user(10, QStringLiteral("Me"))));
        const ChatViewModel::Dependencies deps = stack.chatDependencies();
        ChatView view(std::make_unique<ChatViewModel>(1, 10, deps), QStringLiteral("Ann"));
        view.resize(600, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.viewModel()->sendMessage(QStringLiteral("lost words"));
        const QString clientMsgId = *view.viewModel()->messages().constLast().clientMessageId;
        if (how != u"offline") {
            QTRY_COMPARE(stack.peer.framesOfType(QStringLiteral("message_send")).size(), 1);
            Q_EMIT stack.ws.messageFailedSubject(clientMsgId, how == u"refused" ? std::optional(QStringLiteral("no")) : std::nullopt);
        }
        QTRY_COMPARE(view.viewModel()->messages().constLast().status, std::optional<QString>(QStringLiteral("failed")));
        const Message failed = view.viewModel()->messages().constLast();

        MessageListView* list = view.messageList();
        const QModelIndex row = list->messageModel()->indexOfMessage(failed.id);
        QVERIFY(row.isValid());
        const MessageBubble::Layout layout = list->bubble()->layout(failed, true, list->viewport()->width() - 2 * list->spacing());
        std::unique_ptr<QMenu> menu(list->contextMenuAt(layout.content.translated(list->visualRect(row).topLeft()).center()));
        QVERIFY(menu);
        auto* resendAction = menu->findChild<QAction*>(QStringLiteral("resendAction"));
        auto* discardAction = menu->findChild<QAction*>(QStringLiteral("discardAction"));
        QVERIFY(resendAction);
        QCOMPARE(discardAction != nullptr, discardOffered);
        if (!resend && !discardOffered)
            return;
        (resend ? resendAction : discardAction)->trigger();

        const QList<Message> shown = view.viewModel()->messages();
        QCOMPARE(shown.size(), resend ? 1 : 0);
        QCOMPARE(list->messageModel()->messageCount(), int(shown.size()));
        if (resend) {
            QCOMPARE(shown.last().content, failed.content);
            QCOMPARE(shown.last().clientMessageId, failed.clientMessageId);
            if (how != u"offline") {
                QTRY_COMPARE(stack.peer.framesOfType(QStringLiteral("message_send")).size(), 2);
                const QList<QJsonObject> frames = stack.peer.framesOfType(QStringLiteral("message_send"));
                QCOMPARE(frames.at(1)[u"payload"_s][u"clientMsgId"_s].toString(), clientMsgId);
            }
        }
        ChatViewModel reopened(1, 10, deps);
        QCOMPARE(reopened.messages().size(), shown.size());
    }

    // Resending moves the message to the end of the list; the keyboard's row goes with it
    // instead of landing on the message that took its place.
    void resentMessageKeepsTheKeyboard()
    {
        ClientStack stack;
        stack.storeSession(ClientStack::user(10, QStringLiteral("Me")));
        const ChatViewModel::Dependencies deps = stack.chatDependencies();
        ChatView view(std::make_unique<ChatViewModel>(1, 10, deps), QStringLiteral("Ann"));
        view.resize(600, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.viewModel()->sendMessage(QStringLiteral("first words"));
        view.viewModel()->sendMessage(QStringLiteral("second words"));
        QTRY_COMPARE(view.viewModel()->messages().constFirst().status, std::optional<QString>(QStringLiteral("failed")));
        const Message first = view.viewModel()->messages().constFirst();

        MessageListView* list = view.messageList();
        list->setFocus();
        const QModelIndex row = list->messageModel()->indexOfMessage(first.id);
        list->selectionModel()->setCurrentIndex(row, QItemSelectionModel::NoUpdate);
        const MessageBubble::Layout layout = list->bubble()->layout(first, true, list->viewport()->width() - 2 * list->spacing());
        std::unique_ptr<QMenu> menu(list->contextMenuAt(layout.content.translated(list->visualRect(row).topLeft()).center()));
        QVERIFY(menu);
        menu->findChild<QAction*>(QStringLiteral("resendAction"))->trigger();

        QCOMPARE(view.viewModel()->messages().constLast().clientMessageId, first.clientMessageId);
        const int current = list->currentIndex().row();
        QCOMPARE(list->messageModel()->messageAt(current).clientMessageId, first.clientMessageId);
    }

    // A draft typed while a send is under way is the person's: a failed send never
    // writes into the field.
    void draftTypedDuringASendIsKept()
    {
        auto view = makeView();
        view->show();
        auto* field = view->findChild<QPlainTextEdit*>(QStringLiteral("messageField"));
        QTest::keyClicks(field, QStringLiteral("hello"));
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClicks(field, QStringLiteral("next one"));
        QTRY_COMPARE(view->viewModel()->messages().constLast().status, std::optional<QString>(QStringLiteral("failed")));
        QCoreApplication::processEvents();
        QCOMPARE(view->inputBar()->text(), QStringLiteral("next one"));
    }

    // A long name gives way to the typing line: it is shortened with "…" to the room
    // left, and the typing line keeps its whole text.
    void longTitleElidesAndKeepsRoomForTyping_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("elided");
        QTest::newRow("short name") << QStringLiteral("Ann") << 600 << false;
        QTest::newRow("latin") << QStringLiteral("The Saturday morning hiking and picnic planning committee of the valley") << 420 << true;
        QTest::newRow("cjk") << QStringLiteral("周末爬山俱乐部的一个非常非常长的群聊名称一直写下去也写不完") << 420 << true;
    }
    void longTitleElidesAndKeepsRoomForTyping()
    {
        QFETCH(QString, name);
        QFETCH(int, width);
        QFETCH(bool, elided);
        m_timers = std::make_shared<ManualTimers>();
        ChatViewModel::Dependencies deps = ChatViewModel::sharedDependencies();
        deps.timers = m_timers;
        ChatView view(std::make_unique<ChatViewModel>(1, 10, deps), name);
        view.resize(width, 400);
        view.show();
        Q_EMIT WebSocketService::shared()->typingSubject(1, 20, QStringLiteral("Bob Smith"));
        auto* typing = view.findChild<QLabel*>(QStringLiteral("typingLabel"));
        QTRY_VERIFY(typing->isVisible());
        QApplication::processEvents();
        auto* title = view.findChild<ElidedLabel*>(QStringLiteral("chatTitle"));
        QVERIFY(title);
        QCOMPARE(title->fullText(), name);
        QCOMPARE(title->text().endsWith(QStringLiteral("…")), elided);
        QCOMPARE(title->text() == name, !elided);
        QVERIFY(title->fontMetrics().horizontalAdvance(title->text()) <= title->contentsRect().width());
        QVERIFY(typing->width() >= typing->sizeHint().width());
        QVERIFY(title->geometry().right() < typing->geometry().left());
    }

    // A picked file over the cap is refused with the upload error, before any copy.
    void oversizedPickShowsTheError()
    {
        auto view = makeView();
        view->show();
        QTemporaryDir source;
        QFile large(source.filePath(QStringLiteral("movie.mp4")));
        QVERIFY(large.open(QIODevice::WriteOnly));
        QVERIFY(large.resize(ChatViewModel::maxFileBytes + 1));
        large.close();
        // Failed messages of earlier tests in this conversation are listed again: count only new ones.
        const qsizetype listed = view->viewModel()->messages().size();
        view->inputBar()->handleImportedFile(QUrl::fromLocalFile(large.fileName()));
        QVERIFY(view->viewModel()->error());
        QVERIFY(view->viewModel()->error()->contains(QStringLiteral("50 MB")));
        QCOMPARE(view->viewModel()->messages().size(), listed);
    }

    // Reading back: an older page goes in above the listed messages as inserted
    // rows, never as a new list, and the message at the top of the list stays where
    // the reader saw it; only the rows of the page are new.
    void olderPageKeepsTheFirstVisibleMessageInPlace_data()
    {
        QTest::addColumn<bool>("atTheTop"); // pressing the load-more row, or scrolled to the middle
        QTest::addColumn<int>("repeated"); // listed messages the page repeats (new ones arrived meanwhile)
        QTest::newRow("load-more row pressed") << true << 0;
        QTest::newRow("scrolled to the middle") << false << 0;
        QTest::newRow("page repeating listed messages") << true << 3;
    }
    void olderPageKeepsTheFirstVisibleMessageInPlace()
    {
        QFETCH(bool, atTheTop);
        QFETCH(int, repeated);
        ClientStack stack;
        stack.storeSession(ClientStack::user(10, QStringLiteral("Me")));
        stack.server.respond(procedure("conversations.markAsRead"), ok("null"));
        stack.server.respondOnce(procedure("messages.list"), ok(pageJson(200, 50)));
        stack.server.respondOnce(procedure("messages.list"), ok(pageJson(150 + repeated, 50)));
        QSplitter window;
        ChatView* chat = showInSplitWindow(window, stack);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(chat->viewModel()->messages().size(), 50);
        QTRY_VERIFY(!chat->viewModel()->isLoading());

        MessageListView* list = chat->messageList();
        MessageListModel* rows = list->messageModel();
        QCOMPARE(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
        if (atTheTop)
            list->scrollToTop();
        else
            list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2 + 7);
        const QModelIndex top = list->indexAt(QPoint(1, 1));
        const QModelIndex firstVisible = rows->isLoadMoreRow(top.row()) ? rows->index(top.row() + 1) : top;
        const qint64 shownId = rows->messageAt(firstVisible.row()).id;
        const int shownAt = list->visualRect(firstVisible).top();
        QSignalSpy inserted(rows, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(rows, &QAbstractItemModel::modelReset);
        QSignalSpy replaced(chat->viewModel(), &ChatViewModel::messagesChanged);

        if (atTheTop)
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(rows->index(0)).center());
        else
            chat->viewModel()->loadMoreMessages();
        QTRY_COMPARE(chat->viewModel()->messages().size(), 100 - repeated);

        QCOMPARE(reset.count(), 0);
        QCOMPARE(replaced.count(), 0);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 1);
        QCOMPARE(inserted.first().at(2).toInt(), 50 - repeated);
        QCOMPARE(rows->messageAt(1).id, 101 + repeated);
        QCOMPARE(list->visualRect(rows->indexOfMessage(shownId)).top(), shownAt);
        QVERIFY(list->verticalScrollBar()->value() < list->verticalScrollBar()->maximum());
    }

    // Rows that leave (a failed message thrown away) or go in between (messages
    // missed while the channel was down) are removed and inserted as rows, never a
    // reset, and the reader keeps the place: the message at the top of the list stays
    // where it was, unless the reader was at the newest message, who stays there.
    void removedAndMergedRowsKeepTheReadersPlace_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<qint64>("topId"); // 0: scrolled to the newest message
        QTest::addColumn<qint64>("newest"); // the newest message once merged (210 to it came live)
        QTest::newRow("a failed message above is thrown away") << u"discard"_s << qint64(205) << qint64(230);
        QTest::newRow("missed messages go in above") << u"merge"_s << qint64(215) << qint64(230);
        QTest::newRow("missed messages go in below") << u"merge"_s << qint64(160) << qint64(230);
        QTest::newRow("missed messages go in, reader at the newest") << u"merge"_s << qint64(0) << qint64(230);
        QTest::newRow("missed messages go in last, reader at the newest") << u"merge"_s << qint64(0) << qint64(209);
        QTest::newRow("missed messages go in last, reader above") << u"merge"_s << qint64(180) << qint64(209);
    }
    void removedAndMergedRowsKeepTheReadersPlace()
    {
        QFETCH(QString, change);
        QFETCH(qint64, topId);
        QFETCH(qint64, newest);
        ClientStack stack;
        stack.storeSession(ClientStack::user(10, QStringLiteral("Me")));
        stack.server.respond(procedure("conversations.markAsRead"), ok("null"));
        stack.server.respondOnce(procedure("messages.list"), ok(pageJson(200, 50)));
        QSplitter window;
        ChatView* chat = showInSplitWindow(window, stack);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ChatViewModel* vm = chat->viewModel();
        QTRY_COMPARE(vm->messages().size(), 50);
        QTRY_VERIFY(!vm->isLoading());
        if (change == u"discard")
            vm->sendMessage(QStringLiteral("lost words"));
        const auto deliver = [&](qint64 id) {
            Message message = json::decode<Message>(QJsonDocument::fromJson(pageJson(id, 1)).array().at(0));
            Q_EMIT stack.ws.newMessageSubject(message);
        };
        for (qint64 id = change == u"discard" ? 201 : 210; id <= newest; ++id)
            deliver(id);
        QTRY_COMPARE(vm->messages().constLast().id, change == u"discard" || newest > 209 ? newest : 200);

        MessageListView* list = chat->messageList();
        MessageListModel* rows = list->messageModel();
        QAbstractItemModelTester tester(rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QScrollBar* bar = list->verticalScrollBar();
        if (topId) {
            list->scrollTo(rows->indexOfMessage(topId), QAbstractItemView::PositionAtTop);
            QCOMPARE(list->indexAt(QPoint(1, 1)), rows->indexOfMessage(topId));
            QVERIFY(bar->value() < bar->maximum());
        } else {
            list->scrollToBottom();
        }
        const int shownAt = topId ? list->visualRect(rows->indexOfMessage(topId)).top() : 0;
        QSignalSpy resets(rows, &QAbstractItemModel::modelReset);
        QSignalSpy removed(rows, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(rows, &QAbstractItemModel::rowsInserted);

        if (change == u"discard") {
            const Message failed = *std::find_if(vm->messages().cbegin(), vm->messages().cend(),
                                                 [](const Message& m) { return m.status == u"failed"; });
            vm->discardMessage(failed);
            QCOMPARE(removed.count(), 1);
            QCOMPARE(vm->messages().size(), 80);
            QVERIFY(!rows->indexOfMessage(failed.id).isValid());
        } else {
            stack.server.respondOnce(procedure("messages.list"), ok(pageJson(newest, 50)));
            testsupport::runTask(vm->catchUp());
            QCOMPARE(inserted.count(), 1);
            QCOMPARE(inserted.at(0).at(2).toInt() - inserted.at(0).at(1).toInt() + 1, 9);
            QCOMPARE(vm->messages().constLast().id, newest);
        }
        QCOMPARE(resets.count(), 0);
        QCoreApplication::processEvents();
        if (topId) {
            QCOMPARE(list->visualRect(rows->indexOfMessage(topId)).top(), shownAt);
            QVERIFY(bar->value() < bar->maximum());
        } else {
            QCOMPARE(bar->value(), bar->maximum());
        }
    }

    // A chat opened while the server could not be reached shows nothing but the error;
    // once the server is back it shows the newest page with the newest message at the
    // bottom of the view, and "load more" above for the older pages.
    void chatOpenedOfflineOpensAtTheNewestMessage()
    {
        ClientStack stack;
        stack.storeSession(ClientStack::user(10, QStringLiteral("Me")));
        stack.server.respond(procedure("conversations.markAsRead"), ok("null"));
        stack.server.respondOnce(procedure("messages.list"), RecordingHttpServer::Reply { 503, R"({"error":"unreachable"})" });
        for (qint64 newest = 225; newest > 0; newest -= 50)
            stack.server.respondOnce(procedure("messages.list"), ok(pageJson(newest, int(std::min<qint64>(newest, 50)))));
        QSplitter window;
        ChatView* chat = showInSplitWindow(window, stack);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ChatViewModel* vm = chat->viewModel();
        QTRY_VERIFY(vm->error());
        QVERIFY(vm->messages().isEmpty());

        QVERIFY(stack.connectChannel(ClientStack::user(10, QStringLiteral("Me"))));
        QTRY_COMPARE(vm->messages().size(), 50);
        QTRY_VERIFY(!vm->isLoading());
        QVERIFY(stack.roundTrip());
        QCOMPARE(vm->messages().size(), 50);
        QCoreApplication::processEvents();
        MessageListView* list = chat->messageList();
        MessageListModel* rows = list->messageModel();
        QScrollBar* bar = list->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        const QRect newest = list->visualRect(rows->indexOfMessage(225));
        QVERIFY(list->viewport()->rect().contains(newest));
        QVERIFY(rows->showsLoadMore());

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(rows->index(0)).center());
        QTRY_COMPARE(vm->messages().size(), 100);
        QCOMPARE(vm->messages().constFirst().id, 126);
    }

    // Each opening of a chat lists the message an earlier one could not send under its
    // own id, and a new message gets another: the new one is taken for what it is, the
    // newest, and the view goes to it (not kept on the old one as if a page had come
    // above it), and it is found by its id.
    void newMessageBesideAnUnsentOneIsScrolledTo()
    {
        ClientStack stack;
        stack.storeSession(ClientStack::user(10, QStringLiteral("Me")));
        stack.server.respond(procedure("messages.list"), RecordingHttpServer::Reply { 503, R"({"error":"unreachable"})" });
        // Longer than the view is high.
        const QString longText = QStringList(60, QStringLiteral("a line that does not fit")).join(u'\n');
        QList<qint64> given;
        for (int opening = 0; opening < 3; ++opening) {
            QSplitter window;
            ChatView* chat = showInSplitWindow(window, stack);
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            ChatViewModel* vm = chat->viewModel();
            QTRY_VERIFY(vm->error());
            QCOMPARE(ids(vm->messages()), given);
            vm->sendMessage(u"%1 (%2)"_s.arg(longText).arg(opening));
            const Message sent = vm->messages().constLast();
            QVERIFY(!given.contains(sent.id));
            given.append(sent.id);
            QCoreApplication::processEvents();

            MessageListView* list = chat->messageList();
            MessageListModel* rows = list->messageModel();
            QCOMPARE(rows->rowOfMessage(sent.id), rows->rowCount() - 1);
            QCOMPARE(rows->messageAt(rows->rowCount() - 1).content, sent.content);
            QScrollBar* bar = list->verticalScrollBar();
            QVERIFY(bar->maximum() > 0);
            QCOMPARE(bar->value(), bar->maximum());
        }
    }

    // Arriving messages count as read only while the chat is on screen in the active
    // window: hidden (another section) or with the window in the background, not.
    void onScreenFollowsTheWindow()
    {
        auto view = makeView();
        QVERIFY(!view->viewModel()->isOnScreen());
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        QVERIFY(view->viewModel()->isOnScreen());
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTRY_VERIFY(!view->viewModel()->isOnScreen());
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        QTRY_VERIFY(view->viewModel()->isOnScreen());
        view->hide();
        QVERIFY(!view->viewModel()->isOnScreen());
    }

    // A screen hosting the chat may add to its header (a group's roles button): it shows in
    // the header, after the title.
    void headerTakesAnExtraWidget()
    {
        auto view = makeView();
        auto* extra = new QToolButton;
        extra->setText(QStringLiteral("Roles"));
        view->addHeaderWidget(extra);
        view->show();
        auto* header = view->findChild<QWidget*>(QStringLiteral("chatHeader"));
        auto* title = view->findChild<QWidget*>(QStringLiteral("chatTitle"));
        QVERIFY(header && title);
        QVERIFY(header->isAncestorOf(extra));
        QTRY_VERIFY(extra->isVisible());
        QVERIFY2(extra->x() > title->geometry().right(), qPrintable(QDebug::toString(extra->geometry())));
    }

    // A word for the screen reader alone ("report sent") is a caption of no size that goes
    // away by itself once read, rather than piling up in the window.
    void announcementGoesAwayOnceRead()
    {
        QWidget window;
        window.show();
        AlertLabel::announce(&window, QStringLiteral("Report sent"));
        auto* said = window.findChild<AlertLabel*>();
        QVERIFY(said);
        QCOMPARE(said->text(), QStringLiteral("Report sent"));
        QCOMPARE(said->size(), QSize(0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!window.findChild<AlertLabel*>(), 20000);
    }

    void replyBarAndErrorLine()
    {
        auto view = makeView();
        view->show();
        auto* bar = view->findChild<QWidget*>(QStringLiteral("replyBar"));
        QVERIFY(bar->isHidden());
        // The error line is there only while there is an error; so is any alert line, also
        // one that no screen has yet told whether there is one.
        auto* error = view->findChild<QLabel*>(QStringLiteral("chatError"));
        QVERIFY(error->isHidden());
        {
            QWidget host;
            auto* line = new AlertLabel(&host);
            host.show();
            QVERIFY(line->isHidden());
            line->setAlert(QStringLiteral("Network error"));
            QVERIFY(line->isVisible());
            line->setAlert(std::nullopt);
            QVERIFY(line->isHidden());
        }
        Message target;
        target.id = 5;
        target.senderName = QStringLiteral("Bo");
        target.content = QStringLiteral("see you");
        view->viewModel()->setReplyToMessage(target);
        QVERIFY(bar->isVisible());
        // Across the screen, just above the input bar: a blue bar 3 wide at the default
        // padding of 16, and the close button as far in at the trailing end.
        auto* input = view->findChild<MessageInputBar*>();
        QVERIFY(input);
        QTRY_COMPARE(bar->mapTo(view.get(), QPoint(0, bar->height())).y(), input->mapTo(view.get(), QPoint()).y());
        QCOMPARE(bar->width(), view->width());
        QFrame* accent = nullptr;
        for (QFrame* frame : bar->findChildren<QFrame*>()) {
            if (!qobject_cast<QLabel*>(frame))
                accent = frame;
        }
        QVERIFY(accent);
        QCOMPARE(accent->width(), 3);
        QCOMPARE(accent->x(), 16);
        auto* close = view->findChild<QToolButton*>(QStringLiteral("cancelReplyButton"));
        QVERIFY(close);
        QCOMPARE(bar->width() - (close->x() + close->width()), 16);
        QCOMPARE(view->findChild<QLabel*>(QStringLiteral("replyTitle"))->text(), Localized::text("chat.reply_prefix") + QStringLiteral(" Bo"));
        QCOMPARE(view->findChild<QLabel*>(QStringLiteral("replyContent"))->text(), QStringLiteral("see you"));
        QTest::mouseClick(view->findChild<QToolButton*>(QStringLiteral("cancelReplyButton")), Qt::LeftButton);
        QVERIFY(bar->isHidden());
        QVERIFY(!view->viewModel()->replyToMessage());

        // The first page cannot load (nothing listens on the port): the error shows under the list.
        QTRY_VERIFY_WITH_TIMEOUT(error->isVisible(), 10000);
        QVERIFY(!error->text().isEmpty());
        // In caption, red.
        QCOMPARE(error->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(error->palette().color(error->foregroundRole()), QColor(0xff, 0x3b, 0x30));
    }
};

QTEST_MAIN(TestChatView)
#include "tst_chat_view.moc"
