#include "views/account/NotificationSettingsView.h"

#include "state/account/NotificationSettings.h"
#include "state/common/LocalizationManager.h"
#include "views/account/FormSection.h"
#include "views/account/GroupedForm.h"
#include "views/account/PreferenceToggle.h"
#include "views/common/ComboBoxAccessible.h"
#include "views/common/Localized.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

NotificationSettingsView::NotificationSettingsView(QWidget* parent)
    : NotificationSettingsView(&UserDefaults::standard(), parent)
{
}

NotificationSettingsView::NotificationSettingsView(UserDefaults* defaults, QWidget* parent)
    : QWidget(parent)
    , m_defaults(defaults)
    , m_form(new GroupedForm(this))
    , m_newMessage(new PreferenceToggle(defaults, NotificationSettings::notifyNewMessage))
    , m_friendRequest(new PreferenceToggle(defaults, NotificationSettings::notifyFriendRequest))
    , m_groupMention(new PreferenceToggle(defaults, NotificationSettings::notifyGroupMention))
    , m_momentActivity(new PreferenceToggle(defaults, NotificationSettings::notifyMomentActivity))
    , m_soundEnabled(new PreferenceToggle(defaults, NotificationSettings::soundEnabled))
    , m_badgeEnabled(new PreferenceToggle(defaults, NotificationSettings::badgeEnabled))
    , m_doNotDisturb(new PreferenceToggle(defaults, NotificationSettings::doNotDisturb))
    , m_startLabel(new QLabel)
    , m_endLabel(new QLabel)
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(m_form);

    m_events = m_form->addSection("eventsSection");
    for (PreferenceToggle* toggle : { m_newMessage, m_friendRequest, m_groupMention, m_momentActivity })
        m_events->addRow(toggle);
    m_sound = m_form->addSection("soundSection");
    m_sound->addRow(m_soundEnabled);
    m_sound->addRow(m_badgeEnabled);
    m_dnd = m_form->addSection("dndSection");
    m_dnd->addRow(m_doNotDisturb);
    m_startRow = m_dnd->addRow(m_startLabel, hourPicker(NotificationSettings::dndStartHour, "dndStartHour"));
    m_endRow = m_dnd->addRow(m_endLabel, hourPicker(NotificationSettings::dndEndHour, "dndEndHour"));

    connect(m_defaults, &UserDefaults::valueChanged, this, [this](const QString& name) {
        if (name == NotificationSettings::doNotDisturb.name)
            updateDoNotDisturb();
    });
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this,
            &NotificationSettingsView::retranslate);
    retranslate();
    updateDoNotDisturb();
}

// The 24 hours in order; a stored hour outside them selects no row and stays
// stored until the person picks one.
QComboBox* NotificationSettingsView::hourPicker(const UserDefaults::IntKey& key, const char* objectName)
{
    auto* picker = new QComboBox;
    picker->setObjectName(QString::fromLatin1(objectName));
    for (int hour = 0; hour < NotificationSettings::hoursInDay; ++hour)
        picker->addItem(NotificationSettings::hourLabel(hour), hour);
    auto show = [this, picker, key] { picker->setCurrentIndex(picker->findData(m_defaults->value(key))); };
    show();
    connect(picker, &QComboBox::activated, this, [this, picker, key](int index) {
        m_defaults->setValue(key, picker->itemData(index).toInt());
    });
    connect(m_defaults, &UserDefaults::valueChanged, picker, [key, show](const QString& name) {
        if (name == key.name)
            show();
    });
    return picker;
}

void NotificationSettingsView::updateDoNotDisturb()
{
    const bool on = m_defaults->value(NotificationSettings::doNotDisturb);
    m_startRow->setVisible(on);
    m_endRow->setVisible(on);
}

void NotificationSettingsView::retranslate()
{
    m_form->title()->setText(Localized::text("notification.title"));
    m_events->header()->setText(Localized::text("notification.title"));
    m_newMessage->setText(Localized::text("notification.enable"));
    m_friendRequest->setText(Localized::text("notification.friend_request"));
    m_groupMention->setText(Localized::text("notification.group_mention"));
    m_momentActivity->setText(Localized::text("notification.moment_activity"));
    m_sound->header()->setText(Localized::text("notification.sound"));
    m_soundEnabled->setText(Localized::text("notification.sound"));
    m_badgeEnabled->setText(Localized::text("notification.badge"));
    m_dnd->header()->setText(Localized::text("notification.dnd"));
    m_doNotDisturb->setText(Localized::text("notification.dnd_mode"));
    m_startLabel->setText(Localized::text("notification.dnd_start"));
    m_endLabel->setText(Localized::text("notification.dnd_end"));
    ComboBoxAccessible::setName(findChild<QComboBox*>(QStringLiteral("dndStartHour")), m_startLabel->text());
    ComboBoxAccessible::setName(findChild<QComboBox*>(QStringLiteral("dndEndHour")), m_endLabel->text());
}
