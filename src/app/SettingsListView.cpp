#include "app/SettingsListView.h"

#include "app/StaffConsoles.h"
#include "state/common/LocalizationManager.h"
#include "views/account/GeneralSettingsView.h"
#include "views/account/NotificationSettingsView.h"
#include "views/account/PrivacySettingsView.h"
#include "views/account/ProfileView.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"
#include "views/common/NavigationStack.h"
#include "views/contacts/GiftShopView.h"
#include "views/contacts/VipCenterView.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

using Appearance::TextStyle;

const QList<SettingsLink>& SettingsListView::links()
{
    static const QList<SettingsLink> all { SettingsLink::general, SettingsLink::privacy, SettingsLink::notifications,
                                           SettingsLink::vip, SettingsLink::gifts, SettingsLink::profile };
    return all;
}

QString SettingsListView::titleKey(SettingsLink link)
{
    switch (link) {
    case SettingsLink::general: return QStringLiteral("settings.general_title");
    case SettingsLink::privacy: return QStringLiteral("privacy.title");
    case SettingsLink::notifications: return QStringLiteral("notification.title");
    case SettingsLink::vip: return QStringLiteral("vip.title");
    case SettingsLink::gifts: return QStringLiteral("gifts.title");
    case SettingsLink::profile: return QStringLiteral("content.profile_link");
    }
    Q_UNREACHABLE();
}

SettingsListView::SettingsListView(AuthViewModel* authViewModel, QWidget* parent)
    : QWidget(parent)
    , m_auth(authViewModel)
    , m_links(new QListWidget(this))
    , m_consoleLinks(new QListWidget(this))
{
    setObjectName(QStringLiteral("settingsListView"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#settingsListView { background: palette(base); }"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 0, 6, 0);
    auto* title = new QLabel(this);
    m_title = title;
    title->setObjectName(QStringLiteral("settingsTitle"));
    title->setFont(Appearance::font(TextStyle::Headline));
    title->setContentsMargins(8, 12, 8, 6);
    column->addWidget(title);
    m_links->setObjectName(QStringLiteral("settingsLinks"));
    m_links->setFrameShape(QFrame::NoFrame);
    m_links->setStyleSheet(QStringLiteral("QListWidget { background: transparent; }"
                                          "QListWidget::item { padding: 7px 8px; border-radius: 6px; }"
                                          "QListWidget::item:selected { background: rgba(0, 122, 255, 46); color: palette(text); }"));
    for (qsizetype i = 0; i < links().size(); ++i)
        m_links->addItem(QString());
    connect(m_links, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < links().size())
            Q_EMIT linkChosen(links().at(row));
    });
    column->addWidget(m_links, 1);

    m_consoleLinks->setObjectName(QStringLiteral("consoleLinks"));
    m_consoleLinks->setFrameShape(QFrame::NoFrame);
    m_consoleLinks->setStyleSheet(m_links->styleSheet());
    m_consoleLinks->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_consoleLinks->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(m_consoleLinks);
    connect(m_consoleLinks, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        StaffConsoles::of(m_auth)->open(StaffConsoles::Console(item->data(Qt::UserRole).toInt()));
        m_consoleLinks->clearSelection();
    });
    connect(StaffConsoles::of(m_auth), &StaffConsoles::offersChanged, this, &SettingsListView::updateConsoleLinks);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &SettingsListView::retranslate);
    retranslate();
}

void SettingsListView::retranslate()
{
    m_title->setText(Localized::text("content.settings_title"));
    m_links->setAccessibleName(m_title->text());
    for (int row = 0; row < m_links->count(); ++row)
        m_links->item(row)->setText(Localized::text(titleKey(links().at(row))));
    updateConsoleLinks();
}

void SettingsListView::updateConsoleLinks()
{
    m_consoleLinks->clear();
    StaffConsoles* consoles = StaffConsoles::of(m_auth);
    for (const auto& [console, key] : { std::pair(StaffConsoles::Console::Administration, "admin.title"),
                                        std::pair(StaffConsoles::Console::Operator, "operator.title") }) {
        if (!consoles->isOffered(console))
            continue;
        auto* item = new QListWidgetItem(Localized::text(key), m_consoleLinks);
        item->setData(Qt::UserRole, int(console));
    }
    m_consoleLinks->setVisible(m_consoleLinks->count() > 0);
    m_consoleLinks->setFixedHeight(m_consoleLinks->count() * 32 + 4);
}

QWidget* SettingsListView::destination(SettingsLink link, QWidget* parent) const
{
    switch (link) {
    case SettingsLink::general: return new GeneralSettingsView(m_auth, parent);
    // The privacy and profile screens push the security screens over themselves.
    case SettingsLink::privacy: return new NavigationStack(new PrivacySettingsView, parent);
    case SettingsLink::notifications: return new NotificationSettingsView(parent);
    case SettingsLink::profile: return new NavigationStack(new ProfileView(m_auth), parent);
    case SettingsLink::vip: return new VipCenterView(parent);
    case SettingsLink::gifts: return new GiftShopView(parent);
    }
    Q_UNREACHABLE();
}
