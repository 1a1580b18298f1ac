#pragma once

// A list paints all its rows with one painter: a row that leaves its pen, font or
// brush behind changes how the next one is drawn.

#include "PaintLog.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionViewItem>

namespace testsupport {

// Leaves the painter as another row would, with a pen and font no row uses: a row that
// does not set the pen and font of each text it draws shows it in these.
inline void markPainter(QPainter* painter)
{
    painter->setPen(QColor(1, 2, 3));
    QFont marker(QStringLiteral("Marker"));
    marker.setPixelSize(33);
    painter->setFont(marker);
}

// Paints the row on a painter set up with marker values; returns what of them the row
// did not put back (empty: it left the painter as it found it).
inline QString painterLeftChanged(const QAbstractItemDelegate* delegate, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    PaintLog log(option.rect.size() + QSize(option.rect.x(), option.rect.y()));
    QPainter painter(&log);
    const QPen pen(QColor(1, 2, 3), 3);
    const QBrush brush(QColor(4, 5, 6));
    QFont font(QStringLiteral("Marker"));
    font.setPixelSize(33);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.setFont(font);
    delegate->paint(&painter, option, index);
    QStringList changed;
    if (painter.pen() != pen)
        changed << QStringLiteral("pen");
    if (painter.brush() != brush)
        changed << QStringLiteral("brush");
    if (painter.font() != font)
        changed << QStringLiteral("font");
    return changed.join(u", ");
}

// Every row of the list, as the list would paint it: "row N: what it left changed" for
// each that did not put the painter back (empty: none).
inline QString rowsLeavingPainterChanged(const QAbstractItemView* list)
{
    QStringList rows;
    const QAbstractItemModel* model = list->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = QRect(QPoint(), list->visualRect(index).size().expandedTo(QSize(200, 40)));
        const QString changed = painterLeftChanged(list->itemDelegateForIndex(index), option, index);
        if (!changed.isEmpty())
            rows << QStringLiteral("row %1: %2").arg(row).arg(changed);
    }
    return rows.join(u"; ");
}

} // namespace testsupport
