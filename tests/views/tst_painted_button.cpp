// The buttons a painted row draws for its actions (accept, add, ...): filled and labelled
// by the kind of action, faded while the action cannot be taken (its request runs).

#include "views/common/Appearance.h"
#include "views/common/PaintedButton.h"

#include "PaintLog.h"
#include "Snapshot.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// The four states side by side, as rows of contacts show them.
class Buttons : public QWidget {
public:
    Buttons() { setFixedSize(4 * 90, 40); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        int x = 6;
        for (const bool prominent : { true, false }) {
            for (const bool enabled : { true, false }) {
                PaintedButton::paint(&painter, QRect(x, 6, 78, 28), enabled ? u"Accept"_s : u"Adding"_s, prominent, enabled);
                x += 90;
            }
        }
    }
};

} // namespace

class TestPaintedButton : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Appearance::install();
        Snapshot::holdStill();
    }

    // A main action is white on the accent, another in the text colour on the control
    // fill with a thin outline; either fades (fill to 0.4, label to 0.6) while disabled.
    void states_data()
    {
        QTest::addColumn<bool>("prominent");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("main") << true << true;
        QTest::newRow("main, disabled") << true << false;
        QTest::newRow("other") << false << true;
        QTest::newRow("other, disabled") << false << false;
    }
    void states()
    {
        QFETCH(bool, prominent);
        QFETCH(bool, enabled);
        const QRect place(0, 0, 80, 28);
        const Painting p = PaintLog::record(place.size(), [&](QPainter* painter) {
            PaintedButton::paint(painter, place, u"Accept"_s, prominent, enabled);
        });
        QCOMPARE(p.shapes().size(), 1);
        const PaintedItem fill = p.shapes().first();
        QColor expectedFill = prominent ? Appearance::accent() : Appearance::controlBackground();
        QColor expectedInk = prominent ? QColor(Qt::white) : QApplication::palette().color(QPalette::ButtonText);
        if (!enabled) {
            expectedFill.setAlphaF(0.4f);
            expectedInk.setAlphaF(0.6f);
        }
        QCOMPARE(fill.brush, expectedFill);
        QCOMPARE(fill.pen.isValid(), !prominent);
        const auto label = p.text(u"Accept"_s);
        QVERIFY2(label, qPrintable(p.allText()));
        QCOMPARE(label->pen, expectedInk);
        QVERIFY2(qAbs(label->rect.center().x() - place.center().x()) <= 1.5, qPrintable(QDebug::toString(label->rect)));
    }

    void drawn()
    {
        Buttons buttons;
        VERIFY_SNAPSHOT(&buttons, u"painted-buttons"_s);
    }
};

QTEST_MAIN(TestPaintedButton)
#include "tst_painted_button.moc"
