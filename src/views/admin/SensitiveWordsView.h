#pragma once

#include "models/SensitiveWord.h"

#include <QWidget>

class APIClient;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class AdminTableContent;
class SensitiveWordsViewModel;

// The sensitive-word list: a local filter, the total, the add sheet and a table
// whose rows can be deleted after a confirmation.
class SensitiveWordsView : public QWidget {
    Q_OBJECT
public:
    explicit SensitiveWordsView(APIClient& api, QWidget* parent = nullptr);

    SensitiveWordsViewModel* model() const { return m_model; }
    QTableWidget* table() const;
    void openAddSheet();
    void requestDelete(const SensitiveWord& word);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void rebuildRows();

    SensitiveWordsViewModel* m_model;
    bool m_shown = false;
    QLineEdit* m_search;
    QLabel* m_total;
    QPushButton* m_add;
    AdminTableContent* m_content;
};
