#include "views/common/RowAction.h"

#include <QAbstractItemModel>
#include <QStringList>

QModelIndex RowAction::cellOfRow(const QModelIndex& index)
{
    if (!index.isValid())
        return {};
    const QAbstractItemModel* model = index.model();
    for (int column = 0; column < model->columnCount(index.parent()); ++column) {
        const QModelIndex cell = model->index(index.row(), column, index.parent());
        if (!cell.data(ActionsRole).value<QList<RowAction>>().isEmpty())
            return cell;
    }
    return {};
}

QList<RowAction> RowAction::ofRow(const QModelIndex& index)
{
    return cellOfRow(index).data(ActionsRole).value<QList<RowAction>>();
}

QVariant RowAction::data(const QList<RowAction>& actions, int role)
{
    if (role == ActionsRole)
        return QVariant::fromValue(actions);
    if (role == Qt::AccessibleDescriptionRole) {
        QStringList labels;
        for (const RowAction& action : actions) {
            if (action.enabled)
                labels << action.text;
        }
        return labels.join(QStringLiteral(", "));
    }
    return {};
}
