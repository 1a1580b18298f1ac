#include "views/common/RowActionDelegate.h"

#include "views/common/Appearance.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

bool RowActionDelegate::trigger(const QModelIndex& index, const QString& name)
{
    for (const RowAction& action : index.data(RowAction::ActionsRole).value<QList<RowAction>>()) {
        if (action.name == name && action.enabled) {
            Q_EMIT actionTriggered(index, name);
            return true;
        }
    }
    return false;
}

void RowActionDelegate::paintCurrentRow(QPainter* painter, const QStyleOptionViewItem& option)
{
    if (!(option.state & QStyle::State_HasFocus) || (option.state & QStyle::State_Selected))
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QColor ring = Appearance::accent();
    painter->setPen(QPen(ring, 1.5));
    ring.setAlphaF(0.08f);
    painter->setBrush(ring);
    painter->drawRoundedRect(QRectF(option.rect).adjusted(2, 1.5, -2, -1.5), 6, 6);
    painter->restore();
}

bool RowActionDelegate::isPressed(const QModelIndex& index, const QString& name) const
{
    return m_pressedIndex == index && m_pressedName == name;
}

QString RowActionDelegate::actionAt(const QStyleOptionViewItem& option, const QModelIndex& index, const QPoint& point,
                                    bool enabledOnly) const
{
    const QList<RowAction> actions = index.data(RowAction::ActionsRole).value<QList<RowAction>>();
    const QList<QRect> rects = actionRects(option, index, actions);
    for (int i = 0; i < actions.size() && i < rects.size(); ++i) {
        if ((actions.at(i).enabled || !enabledOnly) && rects.at(i).contains(point))
            return actions.at(i).name;
    }
    return {};
}

bool RowActionDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                    const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const QString hit = actionAt(option, index, mouse->position().toPoint(), true);
    if (event->type() == QEvent::MouseButtonPress) {
        m_pressedIndex = hit.isEmpty() ? QPersistentModelIndex() : QPersistentModelIndex(index);
        m_pressedName = hit;
        return !hit.isEmpty();
    }
    // A press beside the button released on it clicks nothing, as with any button.
    const bool clicked = !hit.isEmpty() && isPressed(index, hit);
    m_pressedIndex = QPersistentModelIndex();
    m_pressedName.clear();
    if (clicked)
        Q_EMIT actionTriggered(index, hit);
    return clicked;
}

bool RowActionDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    if (event->type() == QEvent::ToolTip && view) {
        const QList<RowAction> actions = index.data(RowAction::ActionsRole).value<QList<RowAction>>();
        const QList<QRect> rects = actionRects(option, index, actions);
        for (int i = 0; i < actions.size() && i < rects.size(); ++i) {
            if (rects.at(i).contains(event->pos()) && !actions.at(i).toolTip.isEmpty()) {
                QToolTip::showText(event->globalPos(), actions.at(i).toolTip, view->viewport(), rects.at(i));
                return true;
            }
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
