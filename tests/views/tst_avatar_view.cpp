#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/ImageLoader.h"

#include "PaintLog.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <limits>

class TestAvatarView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Appearance::install(); }

    void colorIndex_data()
    {
        QTest::addColumn<qint64>("hash");
        QTest::addColumn<int>("index");
        QTest::newRow("zero") << qint64(0) << 0;
        QTest::newRow("positive") << qint64(13) << 5;
        QTest::newRow("negative uses magnitude") << qint64(-13) << 5;
        QTest::newRow("minus one") << qint64(-1) << 1;
        QTest::newRow("most negative") << std::numeric_limits<qint64>::min() << 0;
        QTest::newRow("most positive") << std::numeric_limits<qint64>::max() << 7;
    }
    void colorIndex()
    {
        QFETCH(qint64, hash);
        QFETCH(int, index);
        QCOMPARE(AvatarView::colorIndex(hash), index);
    }

    void initials_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("letter");
        QTest::newRow("lower-case latin") << QStringLiteral("alice") << QStringLiteral("A");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("sharp s maps to two letters") << QStringLiteral("ßen") << QStringLiteral("SS");
        QTest::newRow("combining accent stays whole") << QStringLiteral("e\u0301mile") << QStringLiteral("E\u0301");
        QTest::newRow("han") << QStringLiteral("张三") << QStringLiteral("张");
        QTest::newRow("joined emoji stays whole")
            << QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467 family")
            << QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    }
    void initials()
    {
        QFETCH(QString, name);
        QFETCH(QString, letter);
        QCOMPARE(AvatarView::initials(name), letter);
    }

    // The initials disc: a circle of the given size in the name's colour, the capital
    // letter on it in white, medium weight, at 40 % of the size, in its middle.
    void initialsDisc_data()
    {
        QTest::addColumn<qreal>("size");
        QTest::newRow("bubble") << 32.0;
        QTest::newRow("list") << 40.0;
        QTest::newRow("profile") << 80.0;
    }
    void initialsDisc()
    {
        QFETCH(qreal, size);
        const QRectF target(3, 5, size, size);
        const Painting p = PaintLog::record(QSize(100, 100), [&](QPainter* painter) {
            AvatarView::paint(painter, target, QStringLiteral("amy"), std::nullopt);
        });
        QCOMPARE(p.shapes().size(), 1);
        QCOMPARE(p.shapes().first().rect, target);
        QCOMPARE(p.shapes().first().brush, AvatarView::color(QStringLiteral("amy")));
        const auto letter = p.text(QStringLiteral("A"));
        QVERIFY2(letter, qPrintable(p.allText()));
        QCOMPARE(letter->pen, QColor(Qt::white));
        QCOMPARE(letter->font.weight(), QFont::Medium);
        QCOMPARE(letter->font.pixelSize(), qRound(size * 0.4));
        QVERIFY2(qAbs(letter->rect.center().x() - target.center().x()) <= 1 && qAbs(letter->rect.center().y() - target.center().y()) <= 1.5,
            qPrintable(QDebug::toString(letter->rect)));
    }

    void colourIsStableWithinARun()
    {
        QCOMPARE(AvatarView::color(QStringLiteral("Bob")), AvatarView::color(QStringLiteral("Bob")));
        // The disc is painted in the name's colour.
        AvatarView view(QStringLiteral("Bob"), std::nullopt, 40);
        const QImage image = view.grab().toImage();
        QCOMPARE(image.pixelColor(20, 4), AvatarView::color(QStringLiteral("Bob")));
    }

    void noPictureWithoutUsableAddress_data()
    {
        QTest::addColumn<QString>("avatar");
        QTest::newRow("empty address") << QString();
        QTest::newRow("relative path") << QStringLiteral("/avatars/1.png");
        QTest::newRow("local file") << QStringLiteral("file:///etc/passwd");
        QTest::newRow("unparseable") << QStringLiteral("http://exa mple.com/[x");
    }
    void noPictureWithoutUsableAddress()
    {
        QFETCH(QString, avatar);
        AvatarView view(QStringLiteral("amy"), avatar, 40);
        QTRY_COMPARE(view.phase(), QStringLiteral("initials"));
    }
};

QTEST_MAIN(TestAvatarView)
#include "tst_avatar_view.moc"
