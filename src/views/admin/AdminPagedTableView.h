#pragma once

#include "views/admin/AdminCellDelegate.h"

#include <QList>
#include <QString>
#include <QWidget>

class AdminPagedTable;
class AdminTableContent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// The layout shared by the users, groups and message audit screens: search field,
// search button and total; a spinner, the empty state or the table; the pager; and
// the error alert. The table paints its cells from the screen's row records
// (cellData); a patched row redraws alone, a new page redraws the table.
class AdminPagedTableView : public QWidget {
    Q_OBJECT
public:
    struct Column {
        QString titleKey; // "ID" is shown as it stands
        int minimumWidth;
        int idealWidth;
    };
    struct Texts {
        const char* searchKey;
        const char* totalKey;
        const char* emptyKey;
        QString emptySymbol;
        const char* titleKey; // the section's title: what screen readers call the table
    };

    AdminPagedTableView(AdminPagedTable* model, Texts texts, QList<Column> columns, QWidget* parent = nullptr);
    ~AdminPagedTableView() override;

    QTableView* table() const { return m_table; }
    int columnCount() const { return int(m_columns.size()); }
    QString columnTitle(int column) const;

    // What the cell of the screen's row record shows for role (see AdminCellDelegate).
    virtual QVariant cellData(int row, int column, int role) const = 0;

protected:
    // A painted button of the row was clicked.
    virtual void actionTriggered(int row, const QString& name) = 0;
    // Re-labels the screen's own texts after a language switch.
    virtual void retranslateScreen() { }

    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void updateContent();

    AdminPagedTable* m_model;
    Texts m_texts;
    QList<Column> m_columns;
    bool m_shown = false;
    QLineEdit* m_search;
    QPushButton* m_searchButton;
    QLabel* m_total;
    QTableView* m_table;
    AdminTableContent* m_content;
    QPushButton* m_previous;
    QLabel* m_page;
    QPushButton* m_next;
};
