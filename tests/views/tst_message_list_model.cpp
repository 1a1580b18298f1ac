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

    // A list replaced by another comes in one reset that brings the load-more row with it
    // or takes it away: no row moves in or out after the reset.
    void resetBringsTheLoadMoreRowAlong_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("full page to a few") << 60 << 3;
        QTest::newRow("a few to a full page") << 3 << 60;
    }
    void resetBringsTheLoadMoreRowAlong()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        MessageListModel model(1);
        QAbstractItemModelTester tester(&model);
        model.setMessages(messages(1, before));
        int rowsAtReset = -1;
        connect(&model, &QAbstractItemModel::modelReset, this, [&] { rowsAtReset = model.rowCount(); });
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QCOMPARE(model.setMessages(messages(1000, after)), MessageListModel::Change::Reset);
        QCOMPARE(rowsAtReset, after + (after >= 50 ? 1 : 0));
        QCOMPARE(inserted.count() + removed.count(), 0);
        QCOMPARE(model.rowCount(), rowsAtReset);
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

    // Rows compare by id, but a row is redrawn (and measured again) when anything it
    // shows changes alone: one row changed, no other.
    void rowRedrawnWhenOnlyWhatItShowsChanges_data()
    {
        QTest::addColumn<QString>("field");
        for (const char* field : { "status", "content", "edited", "revoked", "reaction", "sender name", "sender avatar" })
            QTest::newRow(field) << QString::fromLatin1(field);
    }
    void rowRedrawnWhenOnlyWhatItShowsChanges()
    {
        QFETCH(QString, field);
        MessageListModel model(1);
        QAbstractItemModelTester tester(&model);
        QList<Message> current = messages(1, 3, 1);
        current[1].status = QStringLiteral("sending");
        model.setMessages(current);
        Message& changed = current[1];
        if (field == u"status")
            changed.status = QStringLiteral("failed");
        else if (field == u"content")
            changed.content = QStringLiteral("edited words");
        else if (field == u"edited")
            changed.editedAt = QStringLiteral("2024-05-01T10:00:00Z");
        else if (field == u"revoked")
            changed.revokedAt = QStringLiteral("2024-05-01T10:00:00Z");
        else if (field == u"reaction")
            changed.reactions = QList<MessageReaction> { MessageReaction { .emoji = QStringLiteral("👍") } };
        else if (field == u"sender name")
            changed.senderName = QStringLiteral("Renamed");
        else
            changed.senderAvatar = QStringLiteral("/uploads/new.png");
        QSignalSpy redrawn(&model, &QAbstractItemModel::dataChanged);
        QCOMPARE(model.setMessages(current), MessageListModel::Change::Updated);
        QCOMPARE(redrawn.count(), 1);
        QCOMPARE(redrawn.first().at(0).value<QModelIndex>().row(), model.rowOfMessage(2));
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

    // Messages missed while the channel was down go in between listed ones as rows, in
    // runs; rows kept are redrawn only where they changed, and nothing is reset.
    void missedMessagesAreInsertedAsRows_data()
    {
        QTest::addColumn<QList<qint64>>("listed");
        QTest::addColumn<QList<qint64>>("merged");
        QTest::addColumn<QList<int>>("insertedAt"); // first row of each run of inserted rows
        QTest::newRow("one run before a live message") << QList<qint64> { 1, 2, 9 } << QList<qint64> { 1, 2, 3, 4, 9 } << QList<int> { 2 };
        QTest::newRow("two runs") << QList<qint64> { 2, 4, 9 } << QList<qint64> { 1, 2, 3, 4, 9 } << QList<int> { 0, 2 };
        QTest::newRow("run and end") << QList<qint64> { 1, 5 } << QList<qint64> { 1, 2, 5, 6, 7 } << QList<int> { 1, 3 };
    }
    void missedMessagesAreInsertedAsRows()
    {
        QFETCH(QList<qint64>, listed);
        QFETCH(QList<qint64>, merged);
        QFETCH(QList<int>, insertedAt);
        const auto make = [](const QList<qint64>& ids) {
            QList<Message> list;
            for (qint64 id : ids)
                list += messages(id, 1);
            return list;
        };
        MessageListModel model(1);
        QAbstractItemModelTester tester(&model);
        model.setMessages(make(listed));
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QList<Message> next = make(merged);
        next.last().content = QStringLiteral("edited");
        const MessageListModel::Change change = model.setMessages(next);
        QVERIFY(change == MessageListModel::Change::Inserted || change == MessageListModel::Change::Appended);
        QCOMPARE(resets.count(), 0);
        QList<int> firstRows;
        for (const QList<QVariant>& run : std::as_const(inserted))
            firstRows.append(run.at(1).toInt());
        QCOMPARE(firstRows, insertedAt);
        for (qsizetype i = 0; i < merged.size(); ++i)
            QCOMPARE(model.messageAt(int(i)).id, merged.at(i));
        QCOMPARE(model.messageAt(int(merged.size()) - 1).content, std::optional(QStringLiteral("edited")));
        QCOMPARE(changed.count(), listed.last() == merged.last() ? 1 : 0);
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
