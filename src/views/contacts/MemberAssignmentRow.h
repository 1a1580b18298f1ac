#pragma once

#include "views/common/RowActionDelegate.h"

// One painted member of the role assignment list: avatar, name, the owner's or
// administrator's word under it, and at the trailing edge a green check when the
// member holds the role or an empty ring when not. A click anywhere on the row
// (the list's) or its action "toggle" turns the role around.
class MemberAssignmentRow : public RowActionDelegate {
    Q_OBJECT
public:
    static constexpr int Height = 44;
    static constexpr int MarkSize = 18;

    using RowActionDelegate::RowActionDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    // No button of its own: the list's click on the row runs the toggle.
    QList<QRect> actionRects(const QStyleOptionViewItem&, const QModelIndex&, const QList<RowAction>& actions) const override
    {
        return QList<QRect>(actions.size());
    }
};
