#include "views/contacts/SearchResultRow.h"

#include <QMouseEvent>

SearchResultRow::SearchResultRow(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("searchResultRow"));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setStyleSheet(QStringLiteral("#searchResultRow { border-radius: 6px; } #searchResultRow:hover { background: rgba(0, 122, 255, 30); }"));
}

void SearchResultRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QFrame::mouseReleaseEvent(event);
}
