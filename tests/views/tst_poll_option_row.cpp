#include "views/chat/PollOptionRow.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QTest>

class TestPollOptionRow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        Appearance::install();
    }

    void shareAndText_data()
    {
        QTest::addColumn<std::optional<qint64>>("votes");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<qreal>("bar");
        QTest::newRow("no votes yet") << std::optional<qint64>(3) << qint64(0) << QStringLiteral("3 (0%)") << 0.0;
        QTest::newRow("absent count") << std::optional<qint64>() << qint64(4) << QStringLiteral("0 (0%)") << 0.0;
        QTest::newRow("one of three truncates") << std::optional<qint64>(1) << qint64(3) << QStringLiteral("1 (33%)") << 1.0 / 3;
        QTest::newRow("two of three truncates") << std::optional<qint64>(2) << qint64(3) << QStringLiteral("2 (66%)") << 2.0 / 3;
        // 0.29 * 100 is 28.999… in floating point: the percentage must still read 29.
        QTest::newRow("29 of 100") << std::optional<qint64>(29) << qint64(100) << QStringLiteral("29 (29%)") << 0.29;
        QTest::newRow("57 of 100") << std::optional<qint64>(57) << qint64(100) << QStringLiteral("57 (57%)") << 0.57;
        QTest::newRow("all votes") << std::optional<qint64>(3) << qint64(3) << QStringLiteral("3 (100%)") << 1.0;
        QTest::newRow("more than total keeps text, clamps bar") << std::optional<qint64>(5) << qint64(4) << QStringLiteral("5 (125%)") << 1.0;
        QTest::newRow("negative count clamps bar") << std::optional<qint64>(-1) << qint64(4) << QStringLiteral("-1 (-25%)") << 0.0;
    }
    void shareAndText()
    {
        QFETCH(std::optional<qint64>, votes);
        QFETCH(qint64, total);
        QFETCH(QString, percent);
        QFETCH(qreal, bar);
        PollOptionRow row(PollOptionResult { 1, QStringLiteral("Tea"), votes, std::nullopt }, total, {});
        const QStringList parts = percent.split(QLatin1Char(' '));
        QCOMPARE(row.voteText(), parts[0] + QLatin1Char(' ') + Localized::text("poll.votes") + QLatin1Char(' ') + parts[1]);
        QVERIFY(qFuzzyCompare(1 + row.barShare(), 1 + bar));
    }

    void wholeRowVotesOnce()
    {
        int votes = 0;
        PollOptionRow row(PollOptionResult { 1, QStringLiteral("Tea"), 1, std::nullopt }, 3, [&] { ++votes; });
        row.resize(400, row.sizeHint().height());
        row.show();
        // The blank space between the option's text and the vote text counts too.
        QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(200, 10));
        QCOMPARE(votes, 1);
        QCOMPARE(row.cursor().shape(), Qt::PointingHandCursor);
    }
};

QTEST_MAIN(TestPollOptionRow)
#include "tst_poll_option_row.moc"
