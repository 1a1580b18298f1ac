#include "views/common/ContextMenu.h"

#include <QAction>
#include <QStyleOptionMenuItem>

#include <algorithm>

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

QAction* ContextMenu::firstHarmless(const QMenu* menu)
{
    const QList<QAction*> entries = menu->actions();
    const auto harmless = std::find_if(entries.cbegin(), entries.cend(), [](const QAction* entry) {
        return entry->isVisible() && entry->isEnabled() && !entry->isSeparator() && !entry->menu() && !isDestructive(entry);
    });
    return harmless != entries.cend() ? *harmless : nullptr;
}

void ContextMenu::showEvent(QShowEvent* event)
{
    QMenu::showEvent(event);
    if (!activeAction() || isDestructive(activeAction()))
        setActiveAction(firstHarmless(this));
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
