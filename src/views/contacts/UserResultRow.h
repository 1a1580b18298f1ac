#pragma once

#include "views/common/RowActionDelegate.h"

// One painted user found by the add-contact search: avatar, name and public id,
// then the add button (the model's action "add", greyed while the request is on
// its way) or "sent".
class UserResultRow : public RowActionDelegate {
    Q_OBJECT
public:
    static constexpr int Height = 48;

    using RowActionDelegate::RowActionDelegate;

    static QRect addRect(const QRect& row);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    QList<QRect> actionRects(const QStyleOptionViewItem& option, const QModelIndex& index,
                             const QList<RowAction>& actions) const override;
};
