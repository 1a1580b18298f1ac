// The keyboard and screen-reader checks other screens' tests rely on: each fault
// they exist to find is built into a small window here and must be found, and a
// sound window must pass.

#include "KeyboardWalk.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

QPushButton* button(const QString& name, QWidget* parent = nullptr)
{
    auto* made = new QPushButton(name, parent);
    made->setObjectName(name);
    return made;
}

// A field over a row of two buttons: named, framed, in order.
void soundForm(QWidget* window)
{
    auto* column = new QVBoxLayout(window);
    auto* field = new QLineEdit(window);
    field->setObjectName(u"field"_s);
    field->setAccessibleName(u"Name"_s);
    column->addWidget(field);
    auto* row = new QHBoxLayout;
    row->addWidget(button(u"cancel"_s, window));
    row->addWidget(button(u"save"_s, window));
    column->addLayout(row);
}

using Builder = std::function<void(QWidget*)>;

} // namespace

Q_DECLARE_METATYPE(Builder)

class TestKeyboardWalk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsWhatIsWrong_data()
    {
        QTest::addColumn<Builder>("build");
        QTest::addColumn<QString>("expected");

        QTest::newRow("sound form") << Builder(soundForm) << QString();
        QTest::newRow("made right to left") << Builder([](QWidget* window) {
            auto* row = new QHBoxLayout(window);
            QPushButton* right = button(u"right"_s, window);
            QPushButton* left = button(u"left"_s, window);
            row->addWidget(left);
            row->addWidget(right);
        }) << u"against the visual order: right → left"_s;
        QTest::newRow("column after the one to its right") << Builder([](QWidget* window) {
            auto* row = new QHBoxLayout(window);
            auto* first = new QWidget(window);
            auto* second = new QWidget(window);
            auto* secondColumn = new QVBoxLayout(second);
            secondColumn->addWidget(button(u"top"_s, second));
            auto* firstColumn = new QVBoxLayout(first);
            firstColumn->addStretch();
            firstColumn->addWidget(button(u"low"_s, first));
            row->addWidget(first);
            row->addWidget(second);
        }) << u"against the visual order: top → low"_s;
        QTest::newRow("tab typed into a field") << Builder([](QWidget* window) {
            auto* column = new QVBoxLayout(window);
            column->addWidget(button(u"before"_s, window));
            auto* editor = new QPlainTextEdit(window);
            editor->setObjectName(u"editor"_s);
            editor->setAccessibleName(u"Text"_s);
            column->addWidget(editor);
            column->addWidget(button(u"after"_s, window));
        }) << u"[trapped in editor]"_s;
        QTest::newRow("list that never takes the focus") << Builder([](QWidget* window) {
            soundForm(window);
            auto* list = new QListWidget(window);
            list->setObjectName(u"sections"_s);
            list->addItems({ u"one"_s, u"two"_s });
            list->setFocusPolicy(Qt::NoFocus);
            window->layout()->addWidget(list);
        }) << u"never reached: sections"_s;
        QTest::newRow("icon button without a name") << Builder([](QWidget* window) {
            soundForm(window);
            auto* icon = new QToolButton(window);
            icon->setObjectName(u"icon"_s);
            window->layout()->addWidget(icon);
        }) << u"icon: name"_s;
        QTest::newRow("markup in a description") << Builder([](QWidget* window) {
            soundForm(window);
            window->findChild<QPushButton*>(u"save"_s)->setToolTip(u"<p>Alice Chen</p>"_s);
        }) << u"save: description (<p>Alice Chen</p>)"_s;
        QTest::newRow("button drawn without its focus") << Builder([](QWidget* window) {
            soundForm(window);
            window->findChild<QPushButton*>(u"save"_s)->setStyleSheet(u"QPushButton { border: none; outline: none; }"_s);
        }) << u"save: frame"_s;
        QTest::newRow("container that takes the focus and shows nothing") << Builder([](QWidget* window) {
            soundForm(window);
            auto* box = new QWidget(window);
            box->setObjectName(u"box"_s);
            box->setAccessibleName(u"Box"_s);
            box->setFocusPolicy(Qt::StrongFocus);
            window->layout()->addWidget(box);
        }) << u"box: frame"_s;
        QTest::newRow("list rows without names") << Builder([](QWidget* window) {
            soundForm(window);
            auto* list = new QListWidget(window);
            list->setObjectName(u"rows"_s);
            list->setAccessibleName(u"Rows"_s);
            list->addItem(QString());
            window->layout()->addWidget(list);
        }) << u"rows: rows (row 0)"_s;
    }

    void findsWhatIsWrong()
    {
        QFETCH(Builder, build);
        QFETCH(QString, expected);
        QWidget window;
        window.setObjectName(u"window"_s);
        build(&window);
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString found = keyboardwalk::problems(&window);
        if (expected.isEmpty())
            QVERIFY2(found.isEmpty(), qPrintable(found));
        else
            QVERIFY2(found.contains(expected), qPrintable(u"expected \""_s + expected + u"\" in:\n"_s + found));
    }

    // An excused widget is left out of exactly the check it is excused from.
    void exceptionsExcuseOneCheck()
    {
        QWidget window;
        soundForm(&window);
        auto* icon = new QToolButton(&window);
        icon->setObjectName(u"icon"_s);
        window.layout()->addWidget(icon);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(keyboardwalk::describe(keyboardwalk::sweep(&window, { u"icon/name"_s })), QString());
        QCOMPARE(keyboardwalk::describe(keyboardwalk::sweep(&window, { u"icon/frame"_s })), u"icon: name"_s);
    }
};

QTEST_MAIN(TestKeyboardWalk)
#include "tst_keyboard_walk.moc"
