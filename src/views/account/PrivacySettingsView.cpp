#include "views/account/PrivacySettingsView.h"

#include "services/ContactService.h"
#include "state/account/PrivacySettingsViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/account/AccountScreens.h"
#include "views/account/FormSection.h"
#include "views/account/GroupedForm.h"
#include "views/account/PreferenceToggle.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Localized.h"
#include "views/common/NavigationStack.h"
#include "views/common/Spinner.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr const char* UnblockedName = "unblockedName";
}

PrivacySettingsView::PrivacySettingsView(QWidget* parent)
    : PrivacySettingsView(ContactService::shared(), &UserDefaults::standard(), parent)
{
}

PrivacySettingsView::PrivacySettingsView(ContactService& contactService, UserDefaults* defaults, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(new PrivacySettingsViewModel(contactService, this))
    , m_form(new GroupedForm(this))
    , m_onlineStatus(new PreferenceToggle(defaults, PrivacySettingsViewModel::showOnlineStatus))
    , m_readReceipts(new PreferenceToggle(defaults, PrivacySettingsViewModel::showReadReceipts))
    , m_allowFriend(new PreferenceToggle(defaults, PrivacySettingsViewModel::allowFriendRequests))
    , m_allowGroup(new PreferenceToggle(defaults, PrivacySettingsViewModel::allowGroupInvites))
    , m_blacklistRows(new QWidget)
    , m_blacklistLayout(new QVBoxLayout(m_blacklistRows))
    , m_blacklistEmpty(new QLabel)
    , m_spinner(new Spinner(16, Appearance::secondaryText()))
    , m_deviceLink(new QPushButton)
    , m_alert(new ErrorAlert(this))
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(m_form);

    m_switches = m_form->addSection("privacySection");
    for (PreferenceToggle* toggle : { m_onlineStatus, m_readReceipts, m_allowFriend, m_allowGroup })
        m_switches->addRow(toggle);

    m_blacklist = m_form->addSection("blacklistSection");
    m_blacklistRows->setObjectName(QStringLiteral("blacklistRows"));
    m_blacklistLayout->setContentsMargins(0, 0, 0, 0);
    m_blacklistLayout->setSpacing(6);
    m_blacklistEmpty->setObjectName(QStringLiteral("blacklistEmpty"));
    Appearance::setTextColor(m_blacklistEmpty, Appearance::secondaryText());
    m_spinner->setObjectName(QStringLiteral("blacklistSpinner"));
    auto* content = new QVBoxLayout;
    content->addWidget(m_spinner, 0, Qt::AlignHCenter);
    content->addWidget(m_blacklistEmpty);
    content->addWidget(m_blacklistRows);
    m_blacklist->addRow(content);

    m_security = m_form->addSection("securitySection");
    m_deviceLink->setObjectName(QStringLiteral("deviceManagementLink"));
    m_deviceLink->setFlat(true);
    m_deviceLink->setCursor(Qt::PointingHandCursor);
    m_deviceLink->setStyleSheet(QStringLiteral("text-align: left;"));
    connect(m_deviceLink, &QPushButton::clicked, this, &PrivacySettingsView::openDeviceManagement);
    m_security->addRow(m_deviceLink);

    connect(m_viewModel, &PrivacySettingsViewModel::blockedUsersChanged, this, &PrivacySettingsView::rebuildBlacklist);
    connect(m_viewModel, &PrivacySettingsViewModel::isLoadingChanged, this, &PrivacySettingsView::rebuildBlacklist);
    connect(m_viewModel, &PrivacySettingsViewModel::errorChanged, this, &PrivacySettingsView::showError);
    connect(m_alert, &ErrorAlert::dismissed, m_viewModel, &PrivacySettingsViewModel::clearError);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &PrivacySettingsView::retranslate);
    retranslate();
    rebuildBlacklist();
    m_viewModel->loadBlockedUsers();
}

void PrivacySettingsView::rebuildBlacklist()
{
    // The rows are made anew: the keyboard on an Unblock button stays at its place in the list.
    const qsizetype focusedRow = m_unblockButtons.indexOf(QApplication::focusWidget());
    // Later, not now: a row may be going away from inside its own button's signal.
    while (QLayoutItem* item = m_blacklistLayout->takeAt(0)) {
        item->widget()->hide();
        item->widget()->deleteLater();
        delete item;
    }
    m_unblockButtons.clear();
    const QList<Contact> blocked = m_viewModel->blockedUsers();
    m_spinner->setVisible(m_viewModel->isLoading());
    m_blacklistEmpty->setVisible(m_viewModel->isLoaded() && blocked.isEmpty());
    m_blacklistRows->setVisible(!blocked.isEmpty());
    for (const Contact& contact : blocked) {
        const QString name = PrivacySettingsViewModel::shownName(contact);
        auto* row = new QWidget(m_blacklistRows);
        row->setObjectName(QStringLiteral("blacklistRow"));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(new AvatarView(name, contact.avatar, 28, row));
        auto* label = new ElidedLabel(row);
        label->setObjectName(QStringLiteral("blacklistName"));
        label->setFullText(name);
        line->addWidget(label, 1);
        auto* unblock = new QPushButton(row);
        unblock->setObjectName(QStringLiteral("unblockButton"));
        unblock->setProperty(UnblockedName, name);
        retranslateUnblock(unblock);
        unblock->setFont(Appearance::font(Appearance::TextStyle::Caption));
        connect(unblock, &QPushButton::clicked, this, [this, contact] { m_viewModel->unblock(contact); });
        line->addWidget(unblock);
        m_unblockButtons.append(unblock);
        m_blacklistLayout->addWidget(row);
    }
    if (focusedRow >= 0) {
        // The same place, else the row above; with no one left, the next control.
        QWidget* next = m_unblockButtons.isEmpty() ? static_cast<QWidget*>(m_deviceLink) : m_unblockButtons.value(qMin(focusedRow, m_unblockButtons.size() - 1));
        next->setFocus(Qt::OtherFocusReason);
    }
}

void PrivacySettingsView::retranslateUnblock(QPushButton* button)
{
    button->setText(Localized::text("privacy.unblock"));
    // Every row has one: a screen reader hears whom each one unblocks.
    button->setAccessibleName(button->text() + u' ' + button->property(UnblockedName).toString());
}

void PrivacySettingsView::showError()
{
    const std::optional<ScreenError> error = m_viewModel->error();
    m_alert->setMessage(error ? std::optional(error->text()) : std::nullopt);
}

void PrivacySettingsView::openDeviceManagement()
{
    if (NavigationStack* stack = NavigationStack::of(this))
        stack->push(AccountScreens::deviceManagement());
}

void PrivacySettingsView::retranslate()
{
    m_form->title()->setText(Localized::text("privacy.title"));
    m_switches->header()->setText(Localized::text("privacy.title"));
    m_onlineStatus->setText(Localized::text("privacy.online_status"));
    m_readReceipts->setText(Localized::text("privacy.read_receipts"));
    m_allowFriend->setText(Localized::text("privacy.allow_friend"));
    m_allowGroup->setText(Localized::text("privacy.allow_group"));
    m_blacklist->header()->setText(Localized::text("privacy.blacklist"));
    m_blacklistEmpty->setText(Localized::text("privacy.blacklist_empty"));
    for (QPushButton* button : std::as_const(m_unblockButtons))
        retranslateUnblock(button);
    m_security->header()->setText(Localized::text("privacy.security"));
    m_deviceLink->setText(Localized::text("privacy.device_management") + QStringLiteral("  ›"));
    // The chevron only points the way; a screen reader says what opens.
    m_deviceLink->setAccessibleName(Localized::text("privacy.device_management"));
    if (m_viewModel->error())
        showError();
}
