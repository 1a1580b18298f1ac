#pragma once

#include <QWidget>

class ContactService;
class ErrorAlert;
class FormSection;
class GroupedForm;
class PreferenceToggle;
class PrivacySettingsViewModel;
class QLabel;
class QPushButton;
class QVBoxLayout;
class Spinner;
class UserDefaults;

// Four stored privacy switches, the blacklist with an unblock button per entry,
// and the link to the device list. It loads the blacklist each time it is built.
class PrivacySettingsView : public QWidget {
    Q_OBJECT
public:
    PrivacySettingsView(ContactService& contactService, UserDefaults* defaults, QWidget* parent = nullptr);
    explicit PrivacySettingsView(QWidget* parent = nullptr);

    PrivacySettingsViewModel* viewModel() const { return m_viewModel; }

private:
    void retranslate();
    void rebuildBlacklist();
    void showError();
    static void retranslateUnblock(QPushButton* button);
    void openDeviceManagement();

    PrivacySettingsViewModel* m_viewModel;
    GroupedForm* m_form;
    FormSection* m_switches;
    FormSection* m_blacklist;
    FormSection* m_security;
    PreferenceToggle* m_onlineStatus;
    PreferenceToggle* m_readReceipts;
    PreferenceToggle* m_allowFriend;
    PreferenceToggle* m_allowGroup;
    QWidget* m_blacklistRows;
    QVBoxLayout* m_blacklistLayout;
    QLabel* m_blacklistEmpty;
    Spinner* m_spinner;
    QList<QPushButton*> m_unblockButtons;
    QPushButton* m_deviceLink;
    ErrorAlert* m_alert;
};
