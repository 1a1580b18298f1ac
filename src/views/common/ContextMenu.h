#pragma once

#include <QMenu>

// A menu whose destructive entries (delete, revoke) are drawn in red, the way a
// person expects an entry that throws something away to look. It opens with an
// entry current, so the keyboard (and a screen reader) starts on something.
class ContextMenu : public QMenu {
    Q_OBJECT
public:
    using QMenu::QMenu;

    static void markDestructive(QAction* action);
    static bool isDestructive(const QAction* action);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
    void showEvent(QShowEvent* event) override;
};
