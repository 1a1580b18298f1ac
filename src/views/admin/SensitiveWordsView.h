#pragma once

#include "models/SensitiveWord.h"

#include <QWidget>

class APIClient;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class AdminTableContent;
class SensitiveWordsFilter;
class SensitiveWordsViewModel;

// The sensitive-word list: a local filter, the total, the add sheet and a table
// whose rows can be deleted after a confirmation. The table paints only the rows
// on screen, and typing in the filter re-tests rows without rebuilding any.
class SensitiveWordsView : public QWidget {
    Q_OBJECT
public:
    explicit SensitiveWordsView(APIClient& api, QWidget* parent = nullptr);

    SensitiveWordsViewModel* model() const { return m_model; }
    // Rows in the filtered order; SensitiveWordsTableModel::WordIdRole names each word.
    QTableView* table() const;
    void openAddSheet();
    void requestDelete(const SensitiveWord& word);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void updateState();
    void updateTotal();
    void actionTriggered(const QModelIndex& index, const QString& name);

    SensitiveWordsViewModel* m_model;
    bool m_shown = false;
    QLineEdit* m_search;
    QLabel* m_total;
    QPushButton* m_add;
    SensitiveWordsFilter* m_filter;
    AdminTableContent* m_content;
};
