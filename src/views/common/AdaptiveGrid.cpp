#include "views/common/AdaptiveGrid.h"

#include <QGridLayout>
#include <QResizeEvent>

AdaptiveGrid::AdaptiveGrid(int minimumCellWidth, int spacing, QWidget* parent)
    : QWidget(parent)
    , m_minimumCellWidth(minimumCellWidth)
    , m_spacing(spacing)
    , m_layout(new QGridLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(spacing);
    m_layout->setSizeConstraint(QLayout::SetNoConstraint);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    reflow(1);
}

void AdaptiveGrid::addCell(QWidget* cell)
{
    cell->setParent(this);
    m_cells.append(cell);
    reflow(m_columns);
}

int AdaptiveGrid::columnsFor(int width) const
{
    return qMax(1, (width + m_spacing) / (m_minimumCellWidth + m_spacing));
}

int AdaptiveGrid::rowsHeight(int columns) const
{
    int height = 0;
    for (qsizetype row = 0; row * columns < m_cells.size(); ++row) {
        int rowHeight = 0;
        for (qsizetype i = row * columns; i < qMin(m_cells.size(), (row + 1) * columns); ++i)
            rowHeight = qMax(rowHeight, m_cells.at(i)->sizeHint().height());
        height += rowHeight + (row > 0 ? m_spacing : 0);
    }
    return height;
}

QSize AdaptiveGrid::minimumSizeHint() const
{
    return QSize(m_minimumCellWidth, 0);
}

void AdaptiveGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int columns = columnsFor(event->size().width());
    if (columns != m_columns)
        reflow(columns);
}

void AdaptiveGrid::reflow(int columns)
{
    m_columns = columns;
    for (QWidget* cell : std::as_const(m_cells))
        m_layout->removeWidget(cell);
    for (qsizetype i = 0; i < m_cells.size(); ++i)
        m_layout->addWidget(m_cells.at(i), int(i / columns), int(i % columns), Qt::AlignHCenter | Qt::AlignTop);
    // Fixed to the rows' height, so a parent neither squeezes nor stretches them.
    setFixedHeight(rowsHeight(columns));
}
