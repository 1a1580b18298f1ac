#pragma once

#include <QWidget>

class AlertLabel;
class AddContactViewModel;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class Spinner;

// The add-contact sheet: a search field, the users found with their add
// buttons, and the status line (progress, or the error in red).
class AddContactView : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the view model.
    explicit AddContactView(AddContactViewModel* viewModel, QWidget* parent = nullptr);

    AddContactViewModel* viewModel() const { return m_viewModel; }

private:
    void retranslate();
    void updateStatus();

    AddContactViewModel* m_viewModel;
    QLabel* m_title;
    QPushButton* m_close;
    QLineEdit* m_field;
    QPushButton* m_search;
    Spinner* m_spinner;
    AlertLabel* m_error;
    QListView* m_results;
};
