#pragma once

#include "views/common/RowActionDelegate.h"

// One painted sign-in session of the profile: the platform's icon, the title and
// address, and at the trailing edge "this device" for the current sessions or a
// sign-out button for the others. Every row has the same height.
class SessionRow : public RowActionDelegate {
    Q_OBJECT
public:
    // Where a session that is not this device's draws its sign-out button.
    static QRect revokeRect(const QRect& row);

    explicit SessionRow(QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    QList<QRect> actionRects(const QStyleOptionViewItem& option, const QModelIndex& index,
                             const QList<RowAction>& actions) const override;
};
