#pragma once

#include <QList>
#include <QWidget>

class QGridLayout;

// Cells laid out in as many columns of at least a minimum width as the grid's
// width allows (at least one), re-flowed when the width changes; the grid is
// exactly as tall as its rows.
class AdaptiveGrid : public QWidget {
    Q_OBJECT
public:
    AdaptiveGrid(int minimumCellWidth, int spacing, QWidget* parent = nullptr);

    void addCell(QWidget* cell);
    int columnCount() const { return m_columns; }
    // The height of the cells laid out in that many columns.
    int rowsHeight(int columns) const;

    // As narrow as one cell: the grid adds columns as it widens, so its current
    // columns must not hold it wide.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int columnsFor(int width) const;
    void reflow(int columns);

    int m_minimumCellWidth;
    int m_spacing;
    int m_columns = 0;
    QGridLayout* m_layout;
    QList<QWidget*> m_cells;
};
