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
