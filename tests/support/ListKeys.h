#pragma once

// Working a painted list (or table) with the keyboard alone, as a person does:
// the keys go to the list, the row menu is the popup the context-menu key opens.

#include "views/common/ContextMenu.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

namespace listkeys {

inline int currentRow(QAbstractItemView* view)
{
    return view->currentIndex().isValid() ? view->currentIndex().row() : -1;
}

inline void key(QAbstractItemView* view, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(view, key, modifiers);
}

// The row menu the context-menu key (or Shift+F10) opens on the current row; null when none opened.
inline QMenu* openMenu(QAbstractItemView* view, bool shiftF10 = false)
{
    if (shiftF10)
        key(view, Qt::Key_F10, Qt::ShiftModifier);
    else
        key(view, Qt::Key_Menu);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// The entries of the row menu, in its order: "name" (a submenu's own object name),
// with " (off)" when greyed and " (red)" when it throws something away; the menu is
// closed again. Empty when no menu opened.
inline QStringList menuOf(QAbstractItemView* view, bool shiftF10 = false)
{
    QStringList names;
    QMenu* menu = openMenu(view, shiftF10);
    if (!menu)
        return names;
    for (const QAction* action : menu->actions())
        names << (action->menu() && action->objectName().isEmpty() ? action->menu()->objectName() : action->objectName())
                + (action->isEnabled() ? QString() : QStringLiteral(" (off)"))
                + (ContextMenu::isDestructive(action) ? QStringLiteral(" (red)") : QString());
    QTest::keyClick(menu, Qt::Key_Escape);
    return names;
}

// Chooses the row menu's entry as a person would (Return on it); false when
// no menu opened or it has no such entry. A greyed entry leaves the menu to be closed.
inline bool choose(QAbstractItemView* view, const QString& name, bool shiftF10 = false)
{
    QMenu* menu = openMenu(view, shiftF10);
    if (!menu)
        return false;
    bool found = false;
    for (QAction* action : menu->actions()) {
        if (action->objectName() == name) {
            found = true;
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    }
    if (QApplication::activePopupWidget() == menu)
        QTest::keyClick(menu, Qt::Key_Escape);
    return found;
}

inline int firstUsable(QAbstractItemView* view, int from, int step)
{
    const QAbstractItemModel* model = view->model();
    for (int row = from; row >= 0 && row < model->rowCount(); row += step) {
        if (model->flags(model->index(row, 0)) & Qt::ItemIsEnabled)
            return row;
    }
    return -1;
}

// Home, End, Page Up and Page Down (and Ctrl+Home, Ctrl+End) reach every part
// of the list: each page step moves on and keeps the current row in sight, and
// rows that cannot be current (headings) are passed over.
inline void walkWholeList(QAbstractItemView* view)
{
    const int first = firstUsable(view, 0, 1);
    const int last = firstUsable(view, view->model()->rowCount() - 1, -1);
    QVERIFY(first >= 0 && last > first);
    key(view, Qt::Key_End);
    QCOMPARE(currentRow(view), last);
    key(view, Qt::Key_Home);
    QCOMPARE(currentRow(view), first);
    key(view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(currentRow(view), last);
    key(view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(currentRow(view), first);
    const QRect shown = view->viewport()->rect();
    for (int presses = 0; currentRow(view) != last; ++presses) {
        QVERIFY2(presses < view->model()->rowCount(), "Page Down never reaches the last row");
        const int before = currentRow(view);
        key(view, Qt::Key_PageDown);
        QVERIFY2(currentRow(view) > before, "Page Down stopped");
        QVERIFY(shown.intersects(view->visualRect(view->currentIndex())));
    }
    for (int presses = 0; currentRow(view) != first; ++presses) {
        QVERIFY2(presses < view->model()->rowCount(), "Page Up never reaches the first row");
        const int before = currentRow(view);
        key(view, Qt::Key_PageUp);
        QVERIFY2(currentRow(view) < before, "Page Up stopped");
        QVERIFY(shown.intersects(view->visualRect(view->currentIndex())));
    }
}

// Tab leaves the list for the next control (where its window has another), and
// Shift+Tab comes back to it.
inline void tabsThrough(QAbstractItemView* view)
{
    QWidget* window = view->window();
    view->setFocus(Qt::TabFocusReason);
    QCOMPARE(window->focusWidget(), view);
    bool others = false;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        others = others || (widget != view && widget->isVisibleTo(window) && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus));
    }
    key(view, Qt::Key_Tab);
    if (!others)
        return;
    QVERIFY2(window->focusWidget() != view, "Tab stays in the list");
    QTest::keyClick(window->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(window->focusWidget(), view);
}

} // namespace listkeys

// Runs a listkeys check and leaves the test function when it failed.
#define LISTKEYS(check)                                                                                                   \
    do {                                                                                                                  \
        check;                                                                                                            \
        if (QTest::currentTestFailed())                                                                                   \
            return;                                                                                                       \
    } while (false)
