#include "views/chat/MessageListModel.h"
#include "views/chat/MessageListView.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include "ListKeys.h"

#include <QMenu>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QList<Message> page(qint64 firstId, int count)
{
    QList<Message> list;
    for (int i = 0; i < count; ++i) {
        Message m;
        m.id = firstId + i;
        m.conversationId = 1;
        m.senderId = i % 2 ? 1 : 2;
        m.type = QStringLiteral("text");
        m.content = QStringLiteral("message number %1").arg(firstId + i);
        m.status = QStringLiteral("sent");
        list.append(m);
    }
    return list;
}

bool atBottom(const MessageListView& view)
{
    return view.verticalScrollBar()->value() == view.verticalScrollBar()->maximum();
}

} // namespace

class TestMessageListView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        Appearance::install();
    }

    void scrollingRules()
    {
        int loadMore = 0;
        MessageListView view(1, { {}, {}, {}, [&] { ++loadMore; }, {}, {} });
        view.resize(420, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        view.setMessages(page(100, 60));
        QVERIFY(atBottom(view));
        QVERIFY(view.verticalScrollBar()->maximum() > 0);

        // The user scrolls up to the load-more row and presses it.
        view.scrollToTop();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(view.model()->index(0, 0)).center());
        QCOMPARE(loadMore, 1);
        const QModelIndex first = view.messageModel()->indexOfMessage(100);
        const int topBefore = view.visualRect(first).top();

        // An older page keeps message 100 where it was instead of jumping to the newest.
        view.setMessages(page(50, 50) + page(100, 60));
        QCOMPARE(view.visualRect(view.messageModel()->indexOfMessage(100)).top(), topBefore);
        QVERIFY(!atBottom(view));

        // A new message brings the view to it.
        view.setMessages(page(50, 50) + page(100, 60) + page(500, 1));
        QVERIFY(atBottom(view));

        // Room taken below (the error line, the reply bar) keeps the newest message in
        // sight; a reader further up stays where they are.
        const int maximum = view.verticalScrollBar()->maximum();
        view.resize(420, 200);
        QTRY_VERIFY(view.verticalScrollBar()->maximum() > maximum);
        QVERIFY(atBottom(view));
        view.scrollToTop();
        const int shorterMaximum = view.verticalScrollBar()->maximum();
        view.resize(420, 150);
        // Laid out again for the new height before the place is read.
        QTRY_VERIFY(view.verticalScrollBar()->maximum() > shorterMaximum);
        QCOMPARE(view.verticalScrollBar()->value(), 0);
    }

    void menuOnlyOnTheContent()
    {
        MessageListView view(1, {});
        view.resize(420, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setMessages(page(1, 2));
        const QModelIndex row = view.messageModel()->indexOfMessage(1);
        const QRect rect = view.visualRect(row);
        const MessageBubble::Layout layout
            = view.bubble()->layout(view.messageModel()->messageAt(row.row()), false, view.viewport()->width() - 2 * view.spacing());
        std::unique_ptr<QMenu> onContent(view.contextMenuAt(layout.content.translated(rect.topLeft()).center()));
        QVERIFY(onContent);
        std::unique_ptr<QMenu> beside(view.contextMenuAt(QPoint(rect.right() - 5, rect.center().y())));
        QVERIFY(!beside);
    }

    // The keyboard of the list: entered, it starts at the newest message in sight;
    // the menu key opens the bubble's own menu wherever the bubble stands (an own
    // message stands at the right edge); Return on "load more" and Page Up at the
    // top ask for the page before, which the keyboard then goes on into.
    void keyboard_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("loadMoreShown");
        QTest::newRow("a short chat") << 10 << false;
        QTest::newRow("a full page") << 60 << true;
    }
    void keyboard()
    {
        QFETCH(int, count);
        QFETCH(bool, loadMoreShown);
        int loadMore = 0;
        QList<qint64> replies;
        MessageListView view(1, { [&](const Message& m) { replies << m.id; }, {}, {}, [&] { ++loadMore; }, {}, {} });
        view.resize(420, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        const QList<Message> messages = page(100, count);
        view.setMessages(messages);
        MessageListModel* rows = view.messageModel();
        QCOMPARE(rows->showsLoadMore(), loadMoreShown);

        view.clearFocus();
        view.setFocus(Qt::TabFocusReason);
        QCOMPARE(listkeys::currentRow(&view), rows->rowOfMessage(messages.constLast().id));
        // The newest message is one's own (sender 1): its bubble is at the right.
        QCOMPARE(listkeys::menuOf(&view), (QStringList { u"replyAction"_s, u"copyAction"_s, u"emojiReplyMenu"_s, QString(), u"revokeAction (red)"_s }));
        QCOMPARE(listkeys::menuOf(&view, true), (QStringList { u"replyAction"_s, u"copyAction"_s, u"emojiReplyMenu"_s, QString(), u"revokeAction (red)"_s }));
        listkeys::key(&view, Qt::Key_Up);
        QCOMPARE(listkeys::menuOf(&view), (QStringList { u"replyAction"_s, u"copyAction"_s, u"emojiReplyMenu"_s }));
        // Opened by the key, the menu starts on its first entry: Return replies.
        QMenu* menu = listkeys::openMenu(&view);
        QVERIFY(menu);
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(replies, QList<qint64> { messages.at(count - 2).id });

        listkeys::key(&view, Qt::Key_Home);
        QCOMPARE(listkeys::currentRow(&view), 0);
        listkeys::key(&view, Qt::Key_PageUp);
        listkeys::key(&view, Qt::Key_Return);
        QCOMPARE(loadMore, loadMoreShown ? 2 : 0);
        // With no row current, Page Up first goes to the top row: older messages are
        // asked for only from there.
        view.setCurrentIndex(QModelIndex());
        listkeys::key(&view, Qt::Key_PageUp);
        QCOMPARE(listkeys::currentRow(&view), 0);
        QCOMPARE(loadMore, loadMoreShown ? 2 : 0);
        if (!loadMoreShown)
            return;
        QCOMPARE(view.currentIndex().data(Qt::AccessibleTextRole).toString(), Localized::text("chat.load_more"));
        view.setMessages(page(40, 10) + messages);
        QCOMPARE(listkeys::currentRow(&view), rows->rowOfMessage(49));
        QVERIFY(view.viewport()->rect().intersects(view.visualRect(view.currentIndex())));
        QCOMPARE(view.accessibleName(), Localized::text("chat.message_list"));
    }
};

QTEST_MAIN(TestMessageListView)
#include "tst_message_list_view.moc"
