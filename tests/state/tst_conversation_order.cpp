#include "state/ConversationOrder.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Conversation conversation(qint64 id, std::optional<QString> time, bool pinned = false)
{
    Conversation c;
    c.id = id;
    c.type = u"private"_s;
    c.lastMessageTime = std::move(time);
    if (pinned)
        c.isPinned = true;
    return c;
}

QList<qint64> ids(const QList<Conversation>& list)
{
    QList<qint64> result;
    for (const Conversation& c : list)
        result << c.id;
    return result;
}

} // namespace

class TestConversationOrder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void orders_data()
    {
        QTest::addColumn<QList<Conversation>>("input");
        QTest::addColumn<QList<qint64>>("expected");

        QTest::newRow("newest first") << QList<Conversation> { conversation(1, u"2025-03-01T08:00:00Z"_s),
                                                               conversation(2, u"2025-03-02T08:00:00Z"_s) }
                                      << QList<qint64> { 2, 1 };
        QTest::newRow("pinned old above unpinned new")
            << QList<Conversation> { conversation(1, u"2025-03-02T08:00:00Z"_s),
                                     conversation(2, u"2020-01-01T00:00:00Z"_s, true) }
            << QList<qint64> { 2, 1 };
        QTest::newRow("no time sorts last, ties keep order")
            << QList<Conversation> { conversation(1, std::nullopt), conversation(2, u"2025-03-01T08:00:00Z"_s),
                                     conversation(3, u"2025-03-01T08:00:00Z"_s), conversation(4, std::nullopt) }
            << QList<qint64> { 2, 3, 1, 4 };
        // As text "2025-03-01T09:00:00+08:00" > "2025-03-01T02:00:00Z", yet it is the earlier instant.
        QTest::newRow("offsets compare as instants")
            << QList<Conversation> { conversation(1, u"2025-03-01T09:00:00+08:00"_s),
                                     conversation(2, u"2025-03-01T02:00:00Z"_s) }
            << QList<qint64> { 2, 1 };
        QTest::newRow("fractions compare as instants")
            << QList<Conversation> { conversation(1, u"2025-03-01T08:00:00Z"_s),
                                     conversation(2, u"2025-03-01T08:00:00.5Z"_s) }
            << QList<qint64> { 2, 1 };
        QTest::newRow("unparsable times compare as text")
            << QList<Conversation> { conversation(1, u"earlier"_s), conversation(2, u"later"_s) }
            << QList<qint64> { 2, 1 };
    }

    void orders()
    {
        QFETCH(QList<Conversation>, input);
        QFETCH(QList<qint64>, expected);
        conversationOrder::sort(input);
        QCOMPARE(ids(input), expected);
    }
};

QTEST_GUILESS_MAIN(TestConversationOrder)
#include "tst_conversation_order.moc"
