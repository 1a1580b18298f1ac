#include "views/chat/MessageListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

QList<Message> messages(qint64 firstId, int count, qint64 senderId = 2)
{
    QList<Message> list;
    for (int i = 0; i < count; ++i) {
        Message m;
        m.id = firstId + i;
        m.conversationId = 1;
        m.senderId = senderId;
        m.type = QStringLiteral("text");
        m.content = QStringLiteral("message %1").arg(firstId + i);
        list.append(m);
    }
    return list;
}

} // namespace

class TestMessageListModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadMoreRowFromAFullPage_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("loadMore");
        QTest::newRow("49") << 49 << false;
        QTest::newRow("50") << 50 << true;
        QTest::newRow("120") << 120 << true;
    }
    void loadMoreRowFromAFullPage()
    {
        QFETCH(int, count);
        QFETCH(bool, loadMore);
        MessageListModel model(1);
        QAbstractItemModelTester tester(&model);
        model.setMessages(messages(1, count));
        QCOMPARE(model.showsLoadMore(), loadMore);
        QCOMPARE(model.rowCount(), count + (loadMore ? 1 : 0));
        QCOMPARE(model.messageAt(model.rowCount() - 1).id, qint64(count));
    }

    void changesAreDiffed()
    {
        MessageListModel model(1);
        QAbstractItemModelTester tester(&model);
        QCOMPARE(model.setMessages(messages(100, 30)), MessageListModel::Change::Reset);

        // An older page goes in before the first row, and the load-more row appears at 50.
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QCOMPARE(model.setMessages(messages(70, 30) + messages(100, 30)), MessageListModel::Change::Prepended);
        QCOMPARE(model.messageCount(), 60);
        QVERIFY(model.showsLoadMore());
        QCOMPARE(model.rowOfMessage(70), 1);
        QCOMPARE(model.rowOfMessage(100), 31);

        // A new message is appended at the end.
        QList<Message> current = messages(70, 30) + messages(100, 30);
        current.append(messages(500, 1, 1));
        QCOMPARE(model.setMessages(current), MessageListModel::Change::Appended);
        QVERIFY(model.isMine(model.rowOfMessage(500)));

        // An acknowledgement replaces the optimistic id in place.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        current.last().id = 501;
        current.last().status = QStringLiteral("sent");
        QCOMPARE(model.setMessages(current), MessageListModel::Change::Updated);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.rowOfMessage(501), model.rowCount() - 1);

        // Identical data changes nothing.
        QCOMPARE(model.setMessages(current), MessageListModel::Change::None);

        // Emptying the history removes the load-more row too.
        QCOMPARE(model.setMessages({}), MessageListModel::Change::Reset);
        QCOMPARE(model.rowCount(), 0);
    }

    // An owner inserting in place: rows are announced around the insertion (the
    // tester checks the counts on both sides), measured heights move with their
    // rows, and the load-more row follows the count.
    void insertionInPlace_data()
    {
        QTest::addColumn<int>("listed");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("loadMoreBefore");
        QTest::newRow("page above a short list") << 30 << 0 << 30 << false;
        QTest::newRow("page above a full list") << 60 << 0 << 50 << true;
        QTest::newRow("rows in the middle") << 60 << 20 << 5 << true;
    }
    void insertionInPlace()
    {
        QFETCH(int, listed);
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(bool, loadMoreBefore);
        MessageListModel model(1);
        QAbstractItemModelTester tester(&model);
        QList<Message> list = messages(1000, listed);
        model.setMessages(list);
        QCOMPARE(model.showsLoadMore(), loadMoreBefore);
        // One row above the insertion, when there is one, and the one it pushes down.
        if (first > 0)
            model.cacheHeight(model.rowOfMessage(999 + first), 400, 66);
        model.cacheHeight(model.rowOfMessage(1000 + first), 400, 77);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

        model.beginInsertMessages(first, count);
        const QList<Message> added = messages(1, count);
        for (int i = 0; i < count; ++i)
            list.insert(first + i, added.at(i));
        model.endInsertMessages(list);

        QCOMPARE(reset.count(), 0);
        const int offset = loadMoreBefore ? 1 : 0;
        QCOMPARE(inserted.first().at(1).toInt(), offset + first);
        QCOMPARE(inserted.first().at(2).toInt(), offset + first + count - 1);
        QVERIFY(model.showsLoadMore());
        QCOMPARE(model.messageCount(), listed + count);
        QCOMPARE(model.rowOfMessage(1), 1 + first);
        const int moved = model.rowOfMessage(1000 + first);
        QCOMPARE(moved, 1 + first + count);
        QCOMPARE(model.cachedHeight(moved, 400), 77);
        if (first > 0)
            QCOMPARE(model.cachedHeight(model.rowOfMessage(999 + first), 400), 66);
        QCOMPARE(model.cachedHeight(model.rowOfMessage(1), 400), -1);
    }

    void heightCacheFollowsWidthAndChanges()
    {
        MessageListModel model(1);
        QList<Message> list = messages(1, 3);
        model.setMessages(list);
        model.cacheHeight(1, 400, 55);
        QCOMPARE(model.cachedHeight(1, 400), 55);
        QCOMPARE(model.cachedHeight(1, 500), -1);
        model.cacheHeight(1, 400, 55);
        list[1].content = QStringLiteral("edited and much longer");
        model.setMessages(list);
        QCOMPARE(model.cachedHeight(1, 400), -1);
    }
};

QTEST_MAIN(TestMessageListModel)
#include "tst_message_list_model.moc"
