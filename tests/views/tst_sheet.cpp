// Return in a sheet: the field's own Return and the sheet's action, never
// another button that happens to come first.

#include "views/common/Sheet.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

class TestSheet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A screen like the search sheet: a field, a Close button first, maybe an
    // action, and buttons that rows add after the sheet is shown.
    void returnPressesOnlyTheAction_data()
    {
        QTest::addColumn<bool>("hasAction");
        QTest::addColumn<bool>("lateButton");
        QTest::newRow("no action") << false << false;
        QTest::newRow("no action, a row's button added later") << false << true;
        QTest::newRow("action") << true << false;
        QTest::newRow("action, a row's button added later") << true << true;
    }

    void returnPressesOnlyTheAction()
    {
        QFETCH(bool, hasAction);
        QFETCH(bool, lateButton);
        QWidget window;
        window.resize(600, 600);
        window.show();
        auto* screen = new QWidget;
        auto* column = new QVBoxLayout(screen);
        auto* close = new QPushButton(u"Close"_s);
        auto* field = new QLineEdit;
        column->addWidget(close);
        column->addWidget(field);
        QPushButton* action = nullptr;
        if (hasAction) {
            action = new QPushButton(u"Send"_s);
            action->setDefault(true);
            column->addWidget(action);
        }
        QDialog* sheet = Sheet::present(&window, screen, QSize(300, 300), u"testSheet"_s);
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QPushButton* late = nullptr;
        if (lateButton) {
            auto* row = new QWidget(screen);
            late = new QPushButton(u"Accept"_s, row);
            column->addWidget(row);
            row->show();
        }
        QSignalSpy closed(close, &QPushButton::clicked);
        QSignalSpy acted(action ? action : close, &QPushButton::clicked);
        QSignalSpy lateClicked(late ? late : close, &QPushButton::clicked);
        QSignalSpy returned(field, &QLineEdit::returnPressed);

        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(returned.count(), 1);
        QVERIFY2(sheet->isVisible(), "Return must not close the sheet");
        if (hasAction)
            QCOMPARE(acted.count(), 1);
        else
            QCOMPARE(closed.count(), 0);
        if (lateButton)
            QCOMPARE(lateClicked.count(), 0);
        if (hasAction)
            QCOMPARE(closed.count(), 0);
    }
};

QTEST_MAIN(TestSheet)
#include "tst_sheet.moc"
