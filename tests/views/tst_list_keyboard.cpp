// The menu key on a list whose rows draw their own buttons: a menu of the current
// row's actions, each running that row's action, and only that one.

#include "views/common/ListKeyboard.h"
#include "views/common/RowAction.h"
#include "views/common/RowActionDelegate.h"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Buttons are not drawn: the menu is what is under test.
class Buttons : public RowActionDelegate {
public:
    using RowActionDelegate::RowActionDelegate;

protected:
    QList<QRect> actionRects(const QStyleOptionViewItem&, const QModelIndex&, const QList<RowAction>& actions) const override
    {
        return QList<QRect>(actions.size());
    }
};

} // namespace

class TestListKeyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Home and End land on the first and last row that can be chosen, past headings
    // and hidden rows at the ends.
    void homeAndEndPassOverHeadings_data()
    {
        QTest::addColumn<bool>("hideTheEnds");
        QTest::newRow("headings at the ends") << false;
        QTest::newRow("hidden rows at the ends") << true;
    }
    void homeAndEndPassOverHeadings()
    {
        QFETCH(bool, hideTheEnds);
        QStandardItemModel model;
        for (const QString& name : { u"Friends"_s, u"Ann"_s, u"Bo"_s, u"Cy"_s, u"Later"_s }) {
            auto* item = new QStandardItem(name);
            item->setEnabled(hideTheEnds || (name != u"Friends" && name != u"Later"));
            model.appendRow(item);
        }
        QListView list;
        list.setModel(&model);
        if (hideTheEnds) {
            list.setRowHidden(0, true);
            list.setRowHidden(4, true);
        }
        ListKeyboard::attach(&list);
        list.show();
        QVERIFY(QTest::qWaitForWindowActive(&list));
        list.setFocus();
        list.setCurrentIndex(model.index(2, 0));
        QTest::keyClick(&list, Qt::Key_End);
        QCOMPARE(list.currentIndex().row(), 3);
        QTest::keyClick(&list, Qt::Key_Home);
        QCOMPARE(list.currentIndex().row(), 1);
    }

    void menuRunsTheCurrentRowsAction_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("runs");
        QTest::newRow("accept") << u"accept"_s << true;
        QTest::newRow("remove") << u"remove"_s << true;
        QTest::newRow("disabled") << u"block"_s << false;
    }
    void menuRunsTheCurrentRowsAction()
    {
        QFETCH(QString, entry);
        QFETCH(bool, runs);
        QStandardItemModel model;
        for (const QString& name : { u"Ann"_s, u"Bo"_s, u"Cy"_s }) {
            auto* item = new QStandardItem(name);
            item->setData(QVariant::fromValue(QList<RowAction> {
                              RowAction(u"accept"_s, u"Accept "_s + name, RowAction::Kind::Main),
                              RowAction(u"block"_s, u"Block"_s, RowAction::Kind::Plain, false),
                              RowAction(u"remove"_s, u"Remove"_s, RowAction::Kind::Destructive) }),
                RowAction::ActionsRole);
            model.appendRow(item);
        }
        QListView list;
        list.setModel(&model);
        auto* delegate = new Buttons(&list);
        list.setItemDelegate(delegate);
        ListKeyboard::attach(&list);
        list.show();
        QVERIFY(QTest::qWaitForWindowActive(&list));
        list.setFocus();
        list.setCurrentIndex(model.index(1, 0));
        QSignalSpy triggered(delegate, &RowActionDelegate::actionTriggered);

        QTest::keyClick(&list, Qt::Key_Menu);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = list.findChild<QMenu*>(u"rowActionsMenu"_s)) && menu->isVisible());
        QStringList texts;
        for (const QAction* action : menu->actions())
            texts << action->text();
        QCOMPARE(texts, (QStringList { u"Accept Bo"_s, u"Block"_s, u"Remove"_s }));
        // Opened by the keyboard on the first entry that throws nothing away.
        QCOMPARE(menu->activeAction()->objectName(), u"accept"_s);
        auto* action = menu->findChild<QAction*>(entry);
        QVERIFY(action);
        QCOMPARE(action->isEnabled(), runs);
        action->trigger();
        menu->close();
        QCOMPARE(triggered.count(), runs ? 1 : 0);
        if (runs) {
            QCOMPARE(triggered.first().at(0).toModelIndex().row(), 1);
            QCOMPARE(triggered.first().at(1).toString(), entry);
        }
    }
};

QTEST_MAIN(TestListKeyboard)
#include "tst_list_keyboard.moc"
