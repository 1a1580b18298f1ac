#pragma once

#include <QWidget>

#include <functional>

class AlertLabel;
class AuthViewModel;
class QLabel;
class QLineEdit;
class QPushButton;
class Spinner;

// The whole window while nobody is signed in: one form for signing in and for
// registering, switched by the link under the button. Every field, the mode,
// progress and the error live in the sign-in state; the screen only binds them.
class LoginView : public QWidget {
    Q_OBJECT
public:
    explicit LoginView(AuthViewModel* authViewModel, QWidget* parent = nullptr);

    // Signs in or registers, by mode. A request already under way is not
    // doubled: Return in the password field is ignored while one runs.
    void submit();
    void switchMode();

private:
    QLineEdit* field(const char* objectName, bool secret = false);
    template <typename Changed>
    void bindField(QLineEdit* field, std::function<QString()> get, std::function<void(const QString&)> set, Changed changed);
    void retranslate();
    void updateMode();
    void updateCodeField();
    void updateLoading();
    void updateError();

    AuthViewModel* m_auth;
    QLabel* m_subtitle;
    QLineEdit* m_username;
    QLineEdit* m_password;
    // The second factor, shown once the server asked for it.
    QLineEdit* m_code;
    QLineEdit* m_nickname;
    QLineEdit* m_inviteCode;
    QLineEdit* m_email;
    AlertLabel* m_error;
    QPushButton* m_submit;
    Spinner* m_spinner;
    QPushButton* m_modeLink;
    // The mode link hides the shown error; the next attempt or error shows it again.
};
