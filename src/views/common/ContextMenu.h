#pragma once

#include <QMenu>

// A menu whose destructive entries (delete, revoke) are drawn in red, the way a
// person expects an entry that throws something away to look. It opens with its
// first harmless entry current, so Return right after opening it never throws
// anything away and the keyboard always has a place in it.
class ContextMenu : public QMenu {
    Q_OBJECT
public:
    using QMenu::QMenu;

    static void markDestructive(QAction* action);
    static bool isDestructive(const QAction* action);
    // The entry a menu opened from the keyboard starts on: the first one that can be
    // chosen, throws nothing away and opens no submenu; null when there is none.
    static QAction* firstHarmless(const QMenu* menu);

protected:
    void showEvent(QShowEvent* event) override;
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};
