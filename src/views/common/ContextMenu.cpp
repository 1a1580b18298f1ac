#include "views/common/ContextMenu.h"

#include <QAction>
#include <QStyleOptionMenuItem>

namespace {
constexpr const char* DestructiveProperty = "destructive";
}

void ContextMenu::markDestructive(QAction* action)
{
    action->setProperty(DestructiveProperty, true);
}

bool ContextMenu::isDestructive(const QAction* action)
{
    return action && action->property(DestructiveProperty).toBool();
}

void ContextMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    if (!isDestructive(action) || !action->isEnabled())
        return;
    // The highlighted entry keeps the style's highlighted text colour, so red never
    // sits on the selection colour.
    const QColor red(0xff, 0x3b, 0x30);
    for (QPalette::ColorRole role : { QPalette::Text, QPalette::WindowText, QPalette::ButtonText })
        option->palette.setColor(role, red);
}

void ContextMenu::showEvent(QShowEvent* event)
{
    QMenu::showEvent(event);
    if (activeAction())
        return;
    for (QAction* action : actions()) {
        if (action->isVisible() && action->isEnabled() && !action->isSeparator()) {
            setActiveAction(action);
            return;
        }
    }
}
