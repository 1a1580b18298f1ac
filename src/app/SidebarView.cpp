#include "app/SidebarView.h"

#include "app/SidebarSectionList.h"

#include "network/WebSocketService.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

SidebarView::SidebarView(AuthViewModel* authViewModel, WebSocketService* wsService, QWidget* parent)
    : QWidget(parent)
    , m_auth(authViewModel)
    , m_ws(wsService)
    , m_sections(new SidebarSectionList(this))
    , m_connectionDot(new QLabel(this))
    , m_connectionText(new QLabel(this))
    , m_userRow(new QWidget(this))
    , m_userAvatar(new AvatarView(QString(), std::nullopt, 28, m_userRow))
    , m_userName(new ElidedLabel(m_userRow))
    , m_userOpenId(new ElidedLabel(m_userRow))
    , m_signOut(new QPushButton(this))
{
    setObjectName(QStringLiteral("sidebar"));
    setMinimumWidth(180);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#sidebar { background: %1; }").arg(Appearance::barBackground().name()));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 10, 8, 8);
    column->setSpacing(4);

    m_sections->setObjectName(QStringLiteral("sidebarSections"));
    m_sections->setFrameShape(QFrame::NoFrame);
    m_sections->setIconSize(QSize(18, 18));
    m_sections->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_sections->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sections->setStyleSheet(QStringLiteral(
        // The list draws its own ring (SidebarSectionList), not the style's dotted frame as well.
        "QListWidget { background: transparent; outline: 0; }"
        "QListWidget::item { padding: 6px 6px; border-radius: 6px; color: palette(text); }"
        "QListWidget::item:selected { background: rgba(0, 122, 255, 46); }"));
    for (SidebarSection section : SidebarSections::allCases()) {
        auto* item = new QListWidgetItem(Icons::icon(SidebarSections::icon(section)), SidebarSections::title(section), m_sections);
        item->setData(Qt::UserRole, SidebarSections::rawValue(section));
        item->setData(Qt::UserRole + 1, SidebarSections::icon(section));
    }
    m_sections->choose(0);
    m_sections->setFixedHeight(m_sections->sizeHintForRow(0) * m_sections->count() + 4);
    // The chosen section is the selected row; the keyboard's ring (the current row)
    // moves over the rows without switching until Return or Space.
    connect(m_sections, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> chosen = m_sections->selectedItems();
        if (chosen.isEmpty())
            return;
        const int row = m_sections->row(chosen.first());
        const SidebarSection section = SidebarSections::allCases().at(row);
        if (section == m_selected)
            return;
        m_selected = section;
        Q_EMIT selectedSectionChanged(section);
    });
    column->addWidget(m_sections);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setStyleSheet(QStringLiteral("color: rgba(0,0,0,30);"));
    column->addWidget(divider);

    auto* connection = new QHBoxLayout;
    connection->setContentsMargins(6, 4, 6, 4);
    m_connectionDot->setObjectName(QStringLiteral("connectionDot"));
    m_connectionDot->setFixedSize(8, 8);
    m_connectionText->setObjectName(QStringLiteral("connectionLabel"));
    m_connectionText->setFont(Appearance::font(TextStyle::Caption));
    connection->addWidget(m_connectionDot);
    connection->addWidget(m_connectionText, 1);
    column->addLayout(connection);

    m_userRow->setObjectName(QStringLiteral("userRow"));
    auto* userRow = new QHBoxLayout(m_userRow);
    userRow->setContentsMargins(6, 4, 6, 4);
    userRow->setSpacing(8);
    auto* userText = new QVBoxLayout;
    userText->setSpacing(2);
    QFont nameFont = Appearance::font(TextStyle::Caption);
    nameFont.setWeight(QFont::Medium);
    m_userName->setObjectName(QStringLiteral("userName"));
    m_userName->setFont(nameFont);
    m_userName->setTextFormat(Qt::PlainText);
    m_userOpenId->setObjectName(QStringLiteral("userOpenId"));
    m_userOpenId->setFont(Appearance::font(TextStyle::Caption2));
    m_userOpenId->setTextFormat(Qt::PlainText);
    m_userOpenId->setStyleSheet(QStringLiteral("color: %1;").arg(Appearance::secondaryText().name()));
    userText->addWidget(m_userName);
    userText->addWidget(m_userOpenId);
    userRow->addWidget(m_userAvatar);
    userRow->addLayout(userText, 1);
    column->addWidget(m_userRow);
    column->addStretch(1);

    m_signOut->setObjectName(QStringLiteral("signOutButton"));
    m_signOut->setFlat(true);
    m_signOut->setCursor(Qt::PointingHandCursor);
    // Drawn by a style sheet, which leaves out the style's focus frame: a ring in the
    // border shows when the button has the keyboard.
    m_signOut->setStyleSheet(QStringLiteral("QPushButton { color: #ff3b30; border: 2px solid transparent; border-radius: 6px;"
                                            " padding: 4px 8px; outline: none; }"
                                            "QPushButton:focus { border-color: %1; }")
                                 .arg(Appearance::focusRing().name(QColor::HexArgb)));
    connect(m_signOut, &QPushButton::clicked, this, &SidebarView::signOut);
    column->addWidget(m_signOut, 0, Qt::AlignHCenter);

    connect(m_ws, &WebSocketService::isConnectedChanged, this, &SidebarView::updateConnection);
    connect(m_auth, &AuthViewModel::userChanged, this, &SidebarView::updateUser);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &SidebarView::retranslate);
    retranslate();
    updateUser();
}

void SidebarView::retranslate()
{
    for (int row = 0; row < m_sections->count(); ++row)
        m_sections->item(row)->setText(SidebarSections::title(SidebarSections::allCases().at(row)));
    m_sections->setAccessibleName(Localized::text("sidebar.sections"));
    m_signOut->setText(Localized::text("profile.logout"));
    updateConnection();
}

void SidebarView::setSelectedSection(SidebarSection section)
{
    if (section == m_selected)
        return;
    m_sections->choose(int(SidebarSections::allCases().indexOf(section)));
}

void SidebarView::updateConnection()
{
    const bool connected = m_ws->isConnected();
    m_connectionDot->setStyleSheet(QStringLiteral("background: %1; border-radius: 4px;")
                                       .arg(connected ? QStringLiteral("#34c759") : QStringLiteral("#ff3b30")));
    m_connectionDot->setProperty("connected", connected);
    m_connectionText->setText(Localized::text(connected ? "sidebar.connected" : "sidebar.disconnected"));
    m_connectionText->setStyleSheet(QStringLiteral("color: %1;").arg(Appearance::secondaryText().name()));
}

void SidebarView::updateUser()
{
    const std::optional<User> user = m_auth->user();
    m_userRow->setVisible(user.has_value());
    if (!user)
        return;
    m_userAvatar->setName(user->name);
    m_userAvatar->setAvatar(user->avatar);
    m_userName->setFullText(user->name);
    m_userOpenId->setFullText(QStringLiteral("ID: ") + user->openId);
}

void SidebarView::signOut()
{
    // Fire and forget: logout never fails, and the root view reacts to the flag.
    m_auth->logout();
}
