#pragma once

#include "views/common/RowAction.h"

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

// A delegate whose rows draw the buttons their model describes (RowAction).
// It clicks them (a press and a release on the same enabled button), shows their
// hover help, and runs them for the list's keyboard (ListKeyboard): every way a
// button is used ends in actionTriggered.
class RowActionDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Runs the named action of the row at index if the model offers it enabled now.
    bool trigger(const QModelIndex& index, const QString& name);

    // A frame around the current row while its list has the keyboard focus, for
    // rows that show no selection; painted last, over the row.
    static void paintCurrentRow(QPainter* painter, const QStyleOptionViewItem& option);

Q_SIGNALS:
    void actionTriggered(const QModelIndex& index, const QString& name);

protected:
    // Where each of actions (the model's, in its order) is drawn in the cell of
    // option; a null rectangle for one that is not drawn.
    virtual QList<QRect> actionRects(const QStyleOptionViewItem& option, const QModelIndex& index,
                                     const QList<RowAction>& actions) const = 0;
    // The button under the pointer's press, so it can be drawn pressed.
    bool isPressed(const QModelIndex& index, const QString& name) const;

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    // The enabled action drawn at point, or an empty name.
    QString actionAt(const QStyleOptionViewItem& option, const QModelIndex& index, const QPoint& point, bool enabledOnly) const;

    QPersistentModelIndex m_pressedIndex;
    QString m_pressedName;
};
