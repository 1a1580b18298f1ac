#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

class AlertLabel;
class ContactDetailViewModel;
class InfoRow;
class QLabel;
class QPushButton;

// The contacts section's detail column: the contact's profile, ID and remark,
// and the actions send message, delete (after a confirmation) and report.
class ContactDetailView : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the view model.
    explicit ContactDetailView(ContactDetailViewModel* viewModel, QWidget* parent = nullptr);

    ContactDetailViewModel* viewModel() const { return m_viewModel; }
    QDialog* showReport();
    QDialog* reportSheet() const { return m_reportSheet; }

private:
    void retranslate();
    void updateState();
    void confirmDeletion();

    ContactDetailViewModel* m_viewModel;
    QLabel* m_presence;
    QLabel* m_presenceDot;
    InfoRow* m_idRow = nullptr;
    InfoRow* m_remarksRow = nullptr;
    QPushButton* m_sendMessage;
    QPushButton* m_delete;
    QPushButton* m_report;
    AlertLabel* m_error;
    QPointer<QDialog> m_reportSheet;
};
