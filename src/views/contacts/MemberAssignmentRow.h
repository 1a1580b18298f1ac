#pragma once

#include <QStyledItemDelegate>

// One painted member of the role assignment list: avatar, name, the owner's or
// administrator's word under it, and at the trailing edge a green check when the
// member holds the role or an empty ring when not.
class MemberAssignmentRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int Height = 44;
    static constexpr int MarkSize = 18;

    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
