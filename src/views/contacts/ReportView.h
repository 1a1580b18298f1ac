#pragma once

#include <QWidget>

class AlertLabel;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class ReportViewModel;

// The report sheet: reason, optional description, cancel and submit. It closes
// only when the server has taken the report; a refusal shows in red.
class ReportView : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the view model.
    explicit ReportView(ReportViewModel* viewModel, QWidget* parent = nullptr);

    ReportViewModel* viewModel() const { return m_viewModel; }

private:
    void retranslate();
    void updateState();

    ReportViewModel* m_viewModel;
    QLabel* m_title;
    QLabel* m_reasonLabel;
    QComboBox* m_reason;
    QPlainTextEdit* m_description;
    AlertLabel* m_error;
    QPushButton* m_cancel;
    QPushButton* m_submit;
};
