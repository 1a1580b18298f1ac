// Return in a sheet: the field's own Return and the sheet's action, never
// another button that happens to come first.

#include "KeyboardWalk.h"

#include "views/common/FocusHold.h"
#include "views/common/Sheet.h"

#include <QApplication>
#include <QDialog>
#include <QMap>
#include <QPointer>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

class TestSheet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A control disabled while it has the keyboard (a button while its request runs)
    // hands it to the screen around it, not on to the next control; enabled again while
    // the screen still has it, it takes it back.
    void disabledControlKeepsTheKeyboardNearby()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* field = new QLineEdit(&window);
        auto* button = new QPushButton(u"Send"_s, &window);
        layout->addWidget(field);
        layout->addWidget(button);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        button->setFocus();
        QTRY_VERIFY(button->hasFocus());
        FocusHold::setEnabled(button, false);
        QVERIFY(!button->isEnabled());
        QVERIFY(window.hasFocus());
        QVERIFY(!field->hasFocus());
        FocusHold::setEnabled(button, true);
        QVERIFY(button->isEnabled());
        QVERIFY(button->hasFocus());
    }

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

    // Return on a focused button presses that button, as Space does, whichever it is.
    void returnPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::newRow("close") << u"close"_s;
        QTest::newRow("icon button") << u"clear"_s;
        QTest::newRow("the action") << u"send"_s;
    }
    void returnPressesTheFocusedButton()
    {
        QFETCH(QString, focused);
        QWidget window;
        window.resize(600, 600);
        window.show();
        auto* screen = new QWidget;
        auto* column = new QVBoxLayout(screen);
        auto* close = new QPushButton(u"Close"_s);
        close->setObjectName(u"close"_s);
        auto* clear = new QToolButton;
        clear->setObjectName(u"clear"_s);
        auto* send = new QPushButton(u"Send"_s);
        send->setObjectName(u"send"_s);
        send->setDefault(true);
        for (QWidget* widget : std::initializer_list<QWidget*> { close, new QLineEdit, clear, send })
            column->addWidget(widget);
        QDialog* sheet = Sheet::present(&window, screen, QSize(300, 300), u"testSheet"_s);
        QVERIFY(keyboardwalk::activate(sheet));
        QMap<QString, int> clicks;
        for (QAbstractButton* button : std::initializer_list<QAbstractButton*> { close, clear, send })
            connect(button, &QAbstractButton::clicked, sheet, [&clicks, button] { ++clicks[button->objectName()]; });
        auto* target = screen->findChild<QAbstractButton*>(focused);
        target->setFocus(Qt::TabFocusReason);
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(clicks, (QMap<QString, int> { { focused, 1 } }));
    }

    // Shown, a sheet puts the caret in its first field (not on the Close button above
    // it); closed, it gives the focus back to the control that had it.
    void focusGoesToTheFirstFieldAndBack_data()
    {
        QTest::addColumn<bool>("viaEscape");
        QTest::addColumn<QString>("fieldKind");
        QTest::newRow("line, escape") << true << u"line"_s;
        QTest::newRow("line, close button") << false << u"line"_s;
        QTest::newRow("rich text") << true << u"rich text"_s;
        QTest::newRow("plain text") << true << u"plain text"_s;
        QTest::newRow("number") << false << u"number"_s;
        QTest::newRow("choice") << true << u"choice"_s;
    }
    void focusGoesToTheFirstFieldAndBack()
    {
        QFETCH(bool, viaEscape);
        QFETCH(QString, fieldKind);
        QWidget window;
        auto* opener = new QLineEdit(&window);
        opener->setObjectName(u"opener"_s);
        new QVBoxLayout(&window);
        window.layout()->addWidget(opener);
        window.layout()->addWidget(new QPushButton(u"Other"_s));
        window.resize(600, 600);
        window.show();
        QVERIFY(keyboardwalk::activate(&window));
        opener->setFocus(Qt::TabFocusReason);

        auto* screen = new QWidget;
        auto* column = new QVBoxLayout(screen);
        QWidget* field = fieldKind == u"rich text" ? new QTextEdit
            : fieldKind == u"plain text"             ? new QPlainTextEdit
            : fieldKind == u"number"                 ? new QSpinBox
            : fieldKind == u"choice"                 ? static_cast<QWidget*>(new QComboBox)
                                                     : new QLineEdit;
        field->setObjectName(u"firstField"_s);
        auto* close = new QPushButton(u"Close"_s);
        close->setObjectName(u"close"_s);
        // Text only to be read is no field, whichever kind shows it.
        auto* readOnlyLine = new QLineEdit(u"read me"_s);
        readOnlyLine->setReadOnly(true);
        auto* readOnlyText = new QTextEdit(u"read me"_s);
        readOnlyText->setReadOnly(true);
        auto* readOnlyPlain = new QPlainTextEdit(u"read me"_s);
        readOnlyPlain->setReadOnly(true);
        column->addWidget(close);
        column->addWidget(new QWidget);
        column->addWidget(readOnlyLine);
        column->addWidget(readOnlyText);
        column->addWidget(readOnlyPlain);
        column->addWidget(field);
        column->addWidget(new QLineEdit);
        QDialog* sheet = Sheet::present(&window, screen, QSize(300, 300), u"testSheet"_s);
        connect(close, &QPushButton::clicked, sheet, &QDialog::reject);
        QVERIFY(keyboardwalk::activate(sheet));
        QCOMPARE(keyboardwalk::nameOf(QApplication::focusWidget()), u"firstField"_s);
        // Tab goes through it as it reads: Close over the fields comes first.
        QCOMPARE(keyboardwalk::tabChain(sheet).names().mid(0, 1), (QStringList { u"close"_s }));
        QPointer<QDialog> closing(sheet);
        if (viaEscape) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        } else {
            close->setFocus(Qt::TabFocusReason);
            QTest::keyClick(close, Qt::Key_Return);
        }
        QTRY_VERIFY(!closing);
        // Active again, whatever the platform does with a closed dialog's activation.
        QTRY_COMPARE(QApplication::focusWidget(), opener);
    }
};

QTEST_MAIN(TestSheet)
#include "tst_sheet.moc"
