#pragma once

// The statistics tile of both consoles, read as laid out on screen.

#include "views/admin/AdminStatCard.h"
#include "views/common/Appearance.h"

#include <QDebug>
#include <QLabel>

// The tile as stated: the icon at the leading edge; 12 below it the figure, bold at
// 28; 12 below that the title in the caption font and the secondary colour.
inline bool tileLaidOut(AdminStatCard* card)
{
    auto* value = card->findChild<QLabel*>(QStringLiteral("statValue"));
    auto* title = card->findChild<QLabel*>(QStringLiteral("statTitle"));
    QLabel* icon = nullptr;
    for (QLabel* label : card->findChildren<QLabel*>()) {
        if (label != value && label != title)
            icon = label;
    }
    if (!value || !title || !icon)
        return false;
    const bool fonts = value->font().bold() && value->font().pixelSize() == 28
        && title->font().pixelSize() == Appearance::font(Appearance::TextStyle::Caption).pixelSize()
        && title->palette().color(QPalette::WindowText) == Appearance::secondaryText();
    const bool stacked = value->y() - (icon->y() + icon->height()) == 12 && title->y() - (value->y() + value->height()) == 12;
    const bool leading = icon->x() == value->x() && title->x() == value->x();
    if (!fonts || !stacked || !leading)
        qWarning() << card->title() << icon->geometry() << value->geometry() << title->geometry() << value->font();
    return fonts && stacked && leading;
}
