#pragma once

#include "state/account/UserDefaults.h"

#include <QWidget>

class FormSection;
class GroupedForm;
class PreferenceToggle;
class QComboBox;
class QLabel;

// Which events notify, sound and badge, and the do-not-disturb hours. The values
// are only stored; this screen calls no server.
class NotificationSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit NotificationSettingsView(UserDefaults* defaults, QWidget* parent = nullptr);
    explicit NotificationSettingsView(QWidget* parent = nullptr);

private:
    void retranslate();
    void updateDoNotDisturb();
    QComboBox* hourPicker(const UserDefaults::IntKey& key, const char* objectName);

    UserDefaults* m_defaults;
    GroupedForm* m_form;
    FormSection* m_events;
    FormSection* m_sound;
    FormSection* m_dnd;
    PreferenceToggle* m_newMessage;
    PreferenceToggle* m_friendRequest;
    PreferenceToggle* m_groupMention;
    PreferenceToggle* m_momentActivity;
    PreferenceToggle* m_soundEnabled;
    PreferenceToggle* m_badgeEnabled;
    PreferenceToggle* m_doNotDisturb;
    QLabel* m_startLabel;
    QLabel* m_endLabel;
    QWidget* m_startRow;
    QWidget* m_endRow;
};
