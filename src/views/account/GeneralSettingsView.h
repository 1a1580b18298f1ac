#pragma once

#include <QWidget>

class AuthViewModel;
class ElidedLabel;
class FormSection;
class GroupedForm;
class PreferenceToggle;
class QComboBox;
class QLabel;
class QPushButton;
class UserDefaults;

// The general preferences: start at login, the interface language (applied at
// once, everywhere), two notification switches, the server addresses in use,
// the signed-in account with sign-out, and the version. Shown in the Settings
// window and in the main window's settings section; every instance shares the
// stored values.
class GeneralSettingsView : public QWidget {
    Q_OBJECT
public:
    GeneralSettingsView(AuthViewModel* authViewModel, UserDefaults* defaults, QWidget* parent = nullptr);
    explicit GeneralSettingsView(AuthViewModel* authViewModel, QWidget* parent = nullptr);

    // The sign-out button's action; no confirmation.
    void logout();

private:
    void retranslate();
    void updateAccount();
    void updateLanguage();
    QLabel* rowLabel(const char* objectName);
    QLabel* valueLabel(const char* objectName, const QString& text);

    AuthViewModel* m_auth;
    GroupedForm* m_form;
    FormSection* m_general;
    FormSection* m_notifications;
    FormSection* m_network;
    FormSection* m_account;
    FormSection* m_about;
    PreferenceToggle* m_autoLaunch;
    QLabel* m_languageLabel;
    QComboBox* m_language;
    PreferenceToggle* m_showNotifications;
    PreferenceToggle* m_playSound;
    QLabel* m_apiLabel;
    QLabel* m_userNameLabel;
    QLabel* m_imIdLabel;
    QLabel* m_roleLabel;
    ElidedLabel* m_userName;
    ElidedLabel* m_imId;
    QLabel* m_role;
    QList<QWidget*> m_accountRows;
    QPushButton* m_logout;
    QLabel* m_versionLabel;
    QLabel* m_platformLabel;
};
