#pragma once

#include "views/common/RowActionDelegate.h"

// One painted friend request: avatar, name and message, then either the
// accept and reject buttons (greyed while the answer is on its way) or the final
// word. Its buttons are the model's actions "accept" and "reject"; nothing else
// in the row reacts.
class FriendRequestRow : public RowActionDelegate {
    Q_OBJECT
public:
    static constexpr int Height = 48;

    using RowActionDelegate::RowActionDelegate;

    // Where the two buttons of a pending request stand in its row.
    static QRect acceptRect(const QRect& row);
    static QRect rejectRect(const QRect& row);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    QList<QRect> actionRects(const QStyleOptionViewItem& option, const QModelIndex& index,
                             const QList<RowAction>& actions) const override;
};
