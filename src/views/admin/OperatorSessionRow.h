#pragma once

#include "models/OperatorSession.h"

#include "views/common/RowActionDelegate.h"

// Paints one row of the operator's lists (OperatorSessionListModel): a session
// as the initial in a circle, the name and last message, the time as sent and,
// in history, the rating in stars; or a section heading in small grey text. The
// row's action is not drawn: the list's keyboard and its menu run it.
class OperatorSessionRow : public RowActionDelegate {
    Q_OBJECT
public:
    static constexpr int RowHeight = 44;

    // The name shown: the customer's, or "operator.customer" when there is none.
    static QString displayName(const OperatorSession& session);
    // The first character as a person sees it (an emoji or a letter with its marks).
    static QString initial(const QString& name);

    explicit OperatorSessionRow(QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    QList<QRect> actionRects(const QStyleOptionViewItem& option, const QModelIndex& index,
                             const QList<RowAction>& actions) const override;
};
