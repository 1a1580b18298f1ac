#pragma once

#include <QDialog>

class AlertLabel;
class AuthService;
class AuthViewModel;
class ProfileEditViewModel;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The 400 × 400 sheet in which the user edits name, bio, e-mail, gender and
// region. Save stores them and closes only once the server stored them; Cancel
// (or Escape) closes without saving.
class ProfileEditView : public QDialog {
    Q_OBJECT
public:
    ProfileEditView(AuthViewModel* authViewModel, AuthService& authService, QWidget* parent = nullptr);
    ProfileEditView(AuthViewModel* authViewModel, QWidget* parent = nullptr);

    ProfileEditViewModel* viewModel() const { return m_viewModel; }

private:
    void retranslate();
    void updateSaving();
    void updateError();
    QLineEdit* field(const char* objectName, QString* value);

    ProfileEditViewModel* m_viewModel;
    QLabel* m_title;
    QFormLayout* m_form;
    QLineEdit* m_name;
    QLineEdit* m_bio;
    QLineEdit* m_email;
    QComboBox* m_gender;
    QLineEdit* m_region;
    AlertLabel* m_error;
    QPushButton* m_cancel;
    QPushButton* m_save;
};
