#pragma once

#include <QList>
#include <QStackedWidget>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTableView;

// The body of an admin table screen: a spinner while loading, an icon over a
// title when there are no rows, else the table. The table (with its columns
// already there) gets the look the admin tables share (whole-row single
// selection, read-only, no grid, no row numbers) and its columns' widths. A
// table entered by the keyboard shows its current row selected (the first when
// it has none), so Down moves on from a row the person has seen.
class AdminTableContent : public QStackedWidget {
    Q_OBJECT
public:
    AdminTableContent(QTableView* table, const QString& tableName, const QString& emptySymbol,
                      const QList<int>& columnWidths, const QList<int>& minimumWidths, QWidget* parent);

    // The row above the table, with its search field (at most searchWidth wide) and its
    // count named and styled alike on every admin table screen; the caller adds them.
    static QHBoxLayout* header(QLineEdit* search, int searchWidth, QLabel* total);
    // The platform's room between two controls of a row (header, pager) on widget's style.
    static int controlSpacing(const QWidget* widget);

    QTableView* table() const { return m_table; }
    void setEmptyTitle(const QString& title);
    void showState(bool loading, bool empty);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitSoon();
    void fitColumns();
    int contentWidth(int column) const;
    bool stretches(int column) const;

    QList<int> m_idealWidths;
    QList<int> m_minimumWidths;
    bool m_fitPending = false;
    QLabel* m_emptyTitle;
    QTableView* m_table;
};
