#pragma once

// Reading and clicking the painted cells of the administration tables the way a
// person would: buttons are clicked on the table's viewport where they are drawn.

#include "views/admin/AdminCellDelegate.h"

#include <QTableView>
#include <QTest>

#include <optional>

inline QVariant cellData(QTableView* table, int row, int column, int role)
{
    return table->model()->index(row, column).data(role);
}

// The painted button name of a cell; none when the cell has no such button.
inline std::optional<RowAction> cellAction(QTableView* table, int row, int column, const QString& name)
{
    for (const RowAction& action : cellData(table, row, column, AdminCellDelegate::ActionsRole).value<QList<RowAction>>()) {
        if (action.name == name)
            return action;
    }
    return std::nullopt;
}

inline bool cellActionEnabled(QTableView* table, int row, int column, const QString& name)
{
    const std::optional<RowAction> action = cellAction(table, row, column, name);
    return action && action->enabled;
}

// False when the cell has no such button.
inline bool clickCellAction(QTableView* table, int row, int column, const QString& name)
{
    const QModelIndex index = table->model()->index(row, column);
    table->scrollTo(index);
    const auto actions = index.data(AdminCellDelegate::ActionsRole).value<QList<RowAction>>();
    const QList<QRect> rects = AdminCellDelegate::actionRects(table->visualRect(index), actions, AdminCellDelegate::cellFont());
    for (int i = 0; i < actions.size(); ++i) {
        if (actions.at(i).name == name) {
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rects.at(i).center());
            return true;
        }
    }
    return false;
}
