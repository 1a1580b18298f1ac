// Tab follows what a person reads, whatever order the controls were made in.

#include "KeyboardWalk.h"

#include "views/common/FocusVisible.h"
#include "views/common/VisualTabOrder.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOption>
#include <QTest>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

QPushButton* button(const QString& name, QWidget* parent)
{
    auto* made = new QPushButton(name, parent);
    made->setObjectName(name);
    return made;
}

using Builder = std::function<void(QWidget*)>;

} // namespace

Q_DECLARE_METATYPE(Builder)

class TestVisualTabOrder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsReadingOrder_data()
    {
        QTest::addColumn<Builder>("build");
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("a row made right to left") << Builder([](QWidget* window) {
            auto* row = new QHBoxLayout(window);
            QPushButton* right = button(u"right"_s, window);
            QPushButton* middle = button(u"middle"_s, window);
            QPushButton* left = button(u"left"_s, window);
            row->addWidget(left);
            row->addWidget(middle);
            row->addWidget(right);
        }) << QStringList { u"left"_s, u"middle"_s, u"right"_s };
        // The main window's case: a column made later than the one to its right.
        QTest::newRow("columns, then down each") << Builder([](QWidget* window) {
            auto* row = new QHBoxLayout(window);
            auto* left = new QWidget(window);
            auto* right = new QWidget(window);
            auto* rightColumn = new QVBoxLayout(right);
            rightColumn->addWidget(button(u"rightTop"_s, right));
            rightColumn->addWidget(button(u"rightLow"_s, right));
            auto* leftColumn = new QVBoxLayout(left);
            leftColumn->addWidget(button(u"leftTop"_s, left));
            leftColumn->addStretch();
            leftColumn->addWidget(button(u"leftLow"_s, left));
            row->addWidget(left);
            row->addWidget(right);
        }) << QStringList { u"leftTop"_s, u"leftLow"_s, u"rightTop"_s, u"rightLow"_s };
        // The chat's case: a header button added after the input under it, and a tall
        // field between two buttons aligned to its bottom.
        QTest::newRow("header added last, input row") << Builder([](QWidget* window) {
            auto* column = new QVBoxLayout(window);
            auto* header = new QHBoxLayout;
            column->addLayout(header);
            column->addStretch();
            auto* input = new QHBoxLayout;
            input->addWidget(button(u"attach"_s, window), 0, Qt::AlignBottom);
            auto* field = new QLineEdit(window);
            field->setObjectName(u"field"_s);
            field->setMinimumHeight(80);
            input->addWidget(field);
            input->addWidget(button(u"send"_s, window), 0, Qt::AlignBottom);
            column->addLayout(input);
            header->addStretch();
            header->addWidget(button(u"menu"_s, window));
        }) << QStringList { u"menu"_s, u"attach"_s, u"field"_s, u"send"_s };
        // A control that takes the keyboard itself and holds others (a list and the
        // buttons over its rows): the holder first, then what it holds.
        QTest::newRow("a holder before what it holds") << Builder([](QWidget* window) {
            auto* row = new QHBoxLayout(window);
            auto* inner = button(u"inner"_s, window);
            auto* holder = new QWidget(window);
            holder->setObjectName(u"holder"_s);
            holder->setFocusPolicy(Qt::StrongFocus);
            auto* held = new QVBoxLayout(holder);
            held->setContentsMargins(20, 20, 20, 20);
            inner->setParent(holder);
            held->addWidget(inner);
            row->addWidget(button(u"before"_s, window));
            row->addWidget(holder);
            row->addWidget(button(u"after"_s, window));
        }) << QStringList { u"before"_s, u"holder"_s, u"inner"_s, u"after"_s };
    }
    void followsReadingOrder()
    {
        QFETCH(Builder, build);
        QFETCH(QStringList, chain);
        QWidget window;
        build(&window);
        VisualTabOrder::keep(&window);
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(keyboardwalk::tabChain(&window).names(), chain);
        std::reverse(chain.begin(), chain.end());
        QCOMPARE(keyboardwalk::tabChain(&window, true).names(), chain);
    }

    // A window that opens with a control focused shows where the keyboard is
    // before any key is pressed.
    void focusShowsBeforeAnyKey()
    {
        FocusVisible::install();
        QWidget window;
        auto* row = new QHBoxLayout(&window);
        row->addWidget(button(u"first"_s, &window));
        row->addWidget(button(u"second"_s, &window));
        window.findChild<QPushButton*>(u"second"_s)->setFocus();
        window.show();
        QVERIFY(keyboardwalk::activate(&window));
        QStyleOption drawn;
        drawn.initFrom(window.findChild<QPushButton*>(u"second"_s));
        QVERIFY(drawn.state & QStyle::State_HasFocus);
        QVERIFY(drawn.state & QStyle::State_KeyboardFocusChange);
    }
};

QTEST_MAIN(TestVisualTabOrder)
#include "tst_visual_tab_order.moc"
