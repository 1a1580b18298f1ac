#include "views/chat/PollOptionRow.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include "PaintLog.h"
#include "Snapshot.h"

#include <QTest>

class TestPollOptionRow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        Appearance::install();
        Icons::install();
        Snapshot::holdStill();
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

    // The row as stated: the option's text in body and the vote text in caption, secondary,
    // on one line, 4 above a bar 6 high, inside the default padding of 16 at the sides and 6
    // above and below; the bar a grey track at 0.15 over the whole width with the accent
    // fill over the share of it.
    void paintedLayout_data()
    {
        QTest::addColumn<qint64>("votes");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("picture");
        QTest::newRow("one of three") << qint64(1) << qint64(3) << QStringLiteral("poll-row-third");
        QTest::newRow("all") << qint64(3) << qint64(3) << QStringLiteral("poll-row-all");
        QTest::newRow("no votes yet") << qint64(3) << qint64(0) << QStringLiteral("poll-row-none");
    }
    void paintedLayout()
    {
        QFETCH(qint64, votes);
        QFETCH(qint64, total);
        PollOptionRow row(PollOptionResult { 1, QStringLiteral("Tea"), votes, std::nullopt }, total, {});
        const int width = 400;
        row.resize(width, row.sizeHint().height());
        PaintLog log(row.size());
        row.render(&log);
        const Painting& p = log.painting();

        const auto text = p.text(QStringLiteral("Tea"));
        const auto count = p.text(row.voteText());
        QVERIFY2(text && count, qPrintable(p.allText()));
        QCOMPARE(text->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
        QCOMPARE(text->pen, row.palette().color(QPalette::Text));
        QCOMPARE(count->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(count->pen, Appearance::secondaryText());
        QVERIFY2(qAbs(text->rect.left() - 16) <= 0.5, qPrintable(QDebug::toString(text->rect)));
        QVERIFY2(qAbs(count->rect.right() - (width - 16)) <= 1, qPrintable(QDebug::toString(count->rect)));
        QVERIFY2(qAbs(text->rect.center().y() - count->rect.center().y()) <= 2, "on one line");
        QVERIFY2(text->rect.top() >= 6 - 0.5, qPrintable(QDebug::toString(text->rect)));

        std::optional<PaintedItem> trackShape;
        std::optional<PaintedItem> fillShape;
        for (const PaintedItem& shape : p.shapes()) {
            if (qAbs(shape.brush.alphaF() - 0.15) < 0.01)
                trackShape = shape;
            if (shape.brush == Appearance::accent())
                fillShape = shape;
        }
        QVERIFY(trackShape);
        QCOMPARE(fillShape.has_value(), total > 0);
        const PaintedItem track = *trackShape;
        QCOMPARE(track.brush.hslSaturation() < 10, true);
        QCOMPARE(track.rect, QRectF(16, track.rect.top(), width - 32, 6));
        // Radius 4, as far as the bar's height of 6 lets it.
        QVERIFY2(qAbs(track.corner.width() - 4) < 0.01 && qAbs(track.corner.height() - 3) < 0.01, qPrintable(QDebug::toString(track.corner)));
        QVERIFY2(qAbs(track.rect.top() - (6 + QFontMetricsF(text->font).height() + 4)) <= 1, qPrintable(QDebug::toString(track.rect)));
        QCOMPARE(row.height() - track.rect.bottom(), 6.0);
        if (total > 0) {
            const PaintedItem fill = *fillShape;
            QCOMPARE(fill.brush, Appearance::accent());
            QCOMPARE(fill.rect.topLeft(), track.rect.topLeft());
            QCOMPARE(fill.rect.height(), track.rect.height());
            QVERIFY2(qAbs(fill.corner.width() - qMin<qreal>(4, fill.rect.width() / 2)) < 0.01 && qAbs(fill.corner.height() - 3) < 0.01,
                qPrintable(QDebug::toString(fill.corner)));
            QVERIFY(qFuzzyCompare(fill.rect.width(), track.rect.width() * votes / total));
        }
        QFETCH(QString, picture);
        VERIFY_SNAPSHOT(&row, picture);
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
