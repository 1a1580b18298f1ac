#include "app/SidebarSectionList.h"

#include "app/SidebarSectionAccessible.h"
#include "views/common/FocusRing.h"

#include <QKeyEvent>
#include <QPainter>

SidebarSectionList::SidebarSectionList(QWidget* parent)
    : QListWidget(parent)
{
    SidebarSectionAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void SidebarSectionList::choose(int row)
{
    if (row < 0 || row >= count())
        return;
    selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
}

void SidebarSectionList::moveRing(int row)
{
    if (row < 0 || row >= count())
        return;
    selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
    viewport()->update();
}

void SidebarSectionList::keyPressEvent(QKeyEvent* event)
{
    const int current = currentRow();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        moveRing(qMax(0, current - 1));
        break;
    case Qt::Key_Down:
        moveRing(qMin(count() - 1, current + 1));
        break;
    case Qt::Key_Home:
    case Qt::Key_PageUp:
        moveRing(0);
        break;
    case Qt::Key_End:
    case Qt::Key_PageDown:
        moveRing(count() - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Select:
        if (!plain) {
            event->ignore();
            return;
        }
        choose(current);
        break;
    default:
        // Tab, shortcuts and the rest belong to the window.
        event->ignore();
        return;
    }
    event->accept();
}

void SidebarSectionList::focusInEvent(QFocusEvent* event)
{
    // Entering the list rings the chosen section, wherever the ring was left.
    const QList<QListWidgetItem*> chosen = selectedItems();
    if (!chosen.isEmpty() && currentItem() != chosen.first())
        moveRing(row(chosen.first()));
    QListWidget::focusInEvent(event);
    viewport()->update();
}

void SidebarSectionList::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (!hasFocus() || !currentItem())
        return;
    QPainter painter(viewport());
    FocusRing::paint(&painter, QRectF(visualItemRect(currentItem())), 6);
}
