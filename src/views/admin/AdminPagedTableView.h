#pragma once

#include "state/Tint.h"

#include <QList>
#include <QString>
#include <QWidget>

class AdminPagedTable;
class AdminTableContent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The layout shared by the users, groups and message audit screens: search field,
// search button and total; a spinner, the empty state or the table; the pager; and
// the error alert. Each screen fills the table's cells from its own rows.
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
    };

    AdminPagedTableView(AdminPagedTable* model, Texts texts, QList<Column> columns, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

protected:
    // Fills row (a fresh, empty row of the table) from the screen's row record.
    virtual void fillRow(int row) = 0;
    // Re-labels the screen's own texts after a language switch.
    virtual void retranslateScreen() { }

    // Cell helpers. Texts are plain; long ones elide with "…".
    enum class CellStyle { Body, Caption, CaptionMonospaced, CaptionSecondary };
    void setTextCell(int row, int column, const QString& text, CellStyle style);
    void setWidgetCell(int row, int column, QWidget* widget);
    static QPushButton* rowButton(const QString& text, Tint tint, QWidget* parent);

    void showEvent(QShowEvent* event) override;

private:
    void rebuildRows();
    void retranslate();
    void updateContent();

    AdminPagedTable* m_model;
    Texts m_texts;
    QList<Column> m_columns;
    bool m_shown = false;
    QLineEdit* m_search;
    QPushButton* m_searchButton;
    QLabel* m_total;
    QTableWidget* m_table;
    AdminTableContent* m_content;
    QPushButton* m_previous;
    QLabel* m_page;
    QPushButton* m_next;
};
