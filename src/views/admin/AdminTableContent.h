#pragma once

#include <QList>
#include <QStackedWidget>

class QLabel;
class QTableWidget;

// The body of an admin table screen: a spinner while loading, an icon over a
// title when there are no rows, else the table. The table comes with the look
// the admin tables share (whole-row single selection, read-only, no grid, no
// row numbers) and its columns at their given widths; the screen fills it.
class AdminTableContent : public QStackedWidget {
    Q_OBJECT
public:
    AdminTableContent(const QString& tableName, const QString& emptySymbol, const QList<int>& columnWidths,
                      QWidget* parent);

    QTableWidget* table() const { return m_table; }
    void setEmptyTitle(const QString& title);
    void showState(bool loading, bool empty);

private:
    QLabel* m_emptyTitle;
    QTableWidget* m_table;
};
