#include "views/account/GeneralSettingsView.h"

#include "state/account/GeneralSettings.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/account/FormSection.h"
#include "views/account/GroupedForm.h"
#include "views/account/PreferenceToggle.h"
#include "views/common/Appearance.h"
#include "views/common/ComboBoxAccessible.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Localized.h"
#include "views/common/OpenListChoice.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

GeneralSettingsView::GeneralSettingsView(AuthViewModel* authViewModel, QWidget* parent)
    : GeneralSettingsView(authViewModel, &UserDefaults::standard(), parent)
{
}

GeneralSettingsView::GeneralSettingsView(AuthViewModel* authViewModel, UserDefaults* defaults, QWidget* parent)
    : QWidget(parent)
    , m_auth(authViewModel)
    , m_form(new GroupedForm(this))
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(m_form);

    m_general = m_form->addSection("generalSection");
    m_autoLaunch = new PreferenceToggle(defaults, GeneralSettings::autoLaunch);
    m_general->addRow(m_autoLaunch);
    m_languageLabel = rowLabel("languageLabel");
    m_language = new QComboBox;
    m_language->setObjectName(QStringLiteral("languagePicker"));
    for (AppLanguage language : appLanguage::allCases())
        m_language->addItem(GeneralSettings::languageLabel(language), appLanguage::rawValue(language));
    m_general->addRow(m_languageLabel, m_language);
    OpenListChoice::apply(m_language);
    // Only a person's pick switches; the manager's own change is followed below.
    connect(m_language, &QComboBox::activated, this, [this](int index) {
        if (std::optional<AppLanguage> language = appLanguage::fromRawValue(m_language->itemData(index).toString()))
            LocalizationManager::shared().setLanguage(*language);
    });
    connect(&LocalizationManager::shared(), &LocalizationManager::currentLanguageChanged, this,
            &GeneralSettingsView::updateLanguage);

    m_notifications = m_form->addSection("notificationsSection");
    m_showNotifications = new PreferenceToggle(defaults, GeneralSettings::showNotifications);
    m_playSound = new PreferenceToggle(defaults, GeneralSettings::playSound);
    m_notifications->addRow(m_showNotifications);
    m_notifications->addRow(m_playSound);

    m_network = m_form->addSection("networkSection");
    m_apiLabel = rowLabel("apiAddressLabel");
    m_network->addRow(m_apiLabel, valueLabel("apiAddress", GeneralSettings::apiAddress()));
    auto* webSocketLabel = rowLabel("webSocketLabel");
    webSocketLabel->setText(QStringLiteral("WebSocket"));
    m_network->addRow(webSocketLabel, valueLabel("webSocketAddress", GeneralSettings::webSocketAddress()));

    m_account = m_form->addSection("accountSection");
    m_userNameLabel = rowLabel("userNameLabel");
    m_imIdLabel = rowLabel("imIdLabel");
    m_roleLabel = rowLabel("roleLabel");
    m_userName = new ElidedLabel;
    m_userName->setObjectName(QStringLiteral("userName"));
    m_imId = new ElidedLabel;
    m_imId->setObjectName(QStringLiteral("imId"));
    m_imId->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_role = valueLabel("role", QString());
    m_role->setTextInteractionFlags(Qt::NoTextInteraction);
    for (QLabel* value : { static_cast<QLabel*>(m_userName), static_cast<QLabel*>(m_imId) })
        Appearance::setTextColor(value, Appearance::secondaryText());
    m_accountRows = { m_account->addRow(m_userNameLabel, m_userName), m_account->addRow(m_imIdLabel, m_imId),
                      m_account->addRow(m_roleLabel, m_role) };
    m_logout = new QPushButton;
    m_logout->setObjectName(QStringLiteral("logoutButton"));
    m_logout->setFlat(true);
    m_logout->setCursor(Qt::PointingHandCursor);
    Appearance::setTextColor(m_logout, QColor(0xff, 0x3b, 0x30));
    connect(m_logout, &QPushButton::clicked, this, &GeneralSettingsView::logout);
    m_account->addRow(m_logout);
    connect(m_auth, &AuthViewModel::userChanged, this, &GeneralSettingsView::updateAccount);

    m_about = m_form->addSection("aboutSection");
    m_versionLabel = rowLabel("versionLabel");
    m_about->addRow(m_versionLabel, valueLabel("version", GeneralSettings::version()));
    m_platformLabel = rowLabel("platformLabel");
    m_about->addRow(m_platformLabel, valueLabel("platform", GeneralSettings::platform()));

    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &GeneralSettingsView::retranslate);
    retranslate();
    updateLanguage();
    updateAccount();
}

QLabel* GeneralSettingsView::rowLabel(const char* objectName)
{
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(objectName));
    return label;
}

// Read-only values in the secondary style; they can be selected and copied.
QLabel* GeneralSettingsView::valueLabel(const char* objectName, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Appearance::setTextColor(label, Appearance::secondaryText());
    return label;
}

void GeneralSettingsView::retranslate()
{
    m_form->title()->setText(Localized::text("settings.general_title"));
    m_general->header()->setText(Localized::text("settings.general_title"));
    m_autoLaunch->setText(Localized::text("settings.autolaunch"));
    m_languageLabel->setText(Localized::text("settings.language"));
    ComboBoxAccessible::setName(m_language, m_languageLabel->text());
    m_notifications->header()->setText(Localized::text("settings.show_notifications"));
    m_showNotifications->setText(Localized::text("settings.show_notifications"));
    m_playSound->setText(Localized::text("settings.play_sound"));
    m_network->header()->setText(Localized::text("settings.network"));
    m_apiLabel->setText(Localized::text("settings.api_address"));
    m_account->header()->setText(Localized::text("settings.account"));
    m_userNameLabel->setText(Localized::text("settings.username"));
    m_imIdLabel->setText(Localized::text("settings.im_id"));
    m_roleLabel->setText(Localized::text("settings.role"));
    m_logout->setText(Localized::text("profile.logout"));
    m_about->header()->setText(Localized::text("settings.about"));
    m_versionLabel->setText(Localized::text("settings.version"));
    m_platformLabel->setText(Localized::text("settings.platform"));
}

void GeneralSettingsView::updateLanguage()
{
    m_language->setCurrentIndex(m_language->findData(appLanguage::rawValue(LocalizationManager::shared().currentLanguage())));
}

void GeneralSettingsView::updateAccount()
{
    const std::optional<User> user = m_auth->user();
    for (QWidget* row : m_accountRows)
        row->setVisible(user.has_value());
    if (!user)
        return;
    m_userName->setFullText(user->name);
    m_imId->setFullText(user->openId);
    m_role->setText(GeneralSettings::roleText(*user));
}

void GeneralSettingsView::logout()
{
    m_auth->logout();
}
