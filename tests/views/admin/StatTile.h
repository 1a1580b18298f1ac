#pragma once

// The statistics tile of both consoles, read as laid out on screen.

#include "views/admin/AdminStatCard.h"
#include "views/common/Appearance.h"

#include "PaintLog.h"

#include <QDebug>
#include <QLabel>
#include <QSet>

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

// The title, however long, shown whole inside the tile: every word painted, every
// line within the label, and the label inside the tile's padding of 16. `wrapped`
// tells whether the title took more than one line.
inline bool titleShownWhole(AdminStatCard* card, bool* wrapped = nullptr)
{
    auto* title = card->findChild<QLabel*>(QStringLiteral("statTitle"));
    if (!title)
        return false;
    PaintLog log(title->size());
    title->render(&log);
    const QList<PaintedItem> texts = log.painting().texts();
    QString shown;
    QSet<int> lineTops;
    bool within = !texts.isEmpty();
    for (const PaintedItem& text : texts) {
        shown += text.text;
        lineTops.insert(qRound(text.rect.top()));
        within = within && text.rect.left() >= -0.5 && text.rect.right() <= title->width() + 0.5
            && text.rect.bottom() <= title->height() + 0.5;
    }
    const bool whole = shown.simplified().remove(QLatin1Char(' ')) == title->text().simplified().remove(QLatin1Char(' '));
    const bool inside = title->x() >= 16 && title->geometry().right() <= card->width() - 1 - 16
        && title->geometry().bottom() <= card->height() - 1 - 16;
    if (wrapped)
        *wrapped = lineTops.size() > 1;
    if (!within || !whole || !inside)
        qWarning() << title->text() << log.painting().allText() << title->geometry() << card->size();
    return within && whole && inside;
}
