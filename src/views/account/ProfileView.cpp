#include "views/account/ProfileView.h"

#include "network/AuthService.h"
#include "state/account/ProfileEditViewModel.h"
#include "state/account/ProfileViewModel.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/account/AccountScreens.h"
#include "views/account/ProfileEditView.h"
#include "views/account/SessionListModel.h"
#include "views/account/SessionRow.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/ElidedLabel.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Icons.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"
#include "views/common/NavigationStack.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

QPushButton* linkButton(const char* objectName, const char* symbol, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 0;"));
    button->setIcon(Icons::pixmap(QString::fromLatin1(symbol), 16, Appearance::accent()));
    button->setProperty(Icons::SymbolProperty, QString::fromLatin1(symbol));
    return button;
}

} // namespace

ProfileView::ProfileView(AuthViewModel* authViewModel, QWidget* parent)
    : ProfileView(authViewModel, AuthService::shared(), parent)
{
}

ProfileView::ProfileView(AuthViewModel* authViewModel, AuthService& authService, QWidget* parent)
    : QWidget(parent)
    , m_auth(authViewModel)
    , m_authService(authService)
    , m_viewModel(new ProfileViewModel(authService, this))
    , m_content(new QWidget)
    , m_alert(new ErrorAlert(this))
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab walks the page's controls and scrolls each into sight; the area itself shows nothing to stop at.
    scroll->setFocusPolicy(Qt::NoFocus);
    root->addWidget(scroll);
    auto* page = new QWidget;
    auto* pageColumn = new QVBoxLayout(page);
    pageColumn->setContentsMargins(0, 0, 0, 0);
    pageColumn->addWidget(m_content);
    pageColumn->addStretch(1);
    scroll->setWidget(page);

    m_content->setObjectName(QStringLiteral("profileContent"));
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(24, 16, 24, 16);
    column->setSpacing(20);

    // 1. The header card.
    auto* header = new QVBoxLayout;
    header->setSpacing(12);
    header->setContentsMargins(0, 12, 0, 0);
    m_avatar = new AvatarView(QString(), std::nullopt, 80, m_content);
    m_avatar->setObjectName(QStringLiteral("profileAvatar"));
    header->addWidget(m_avatar, 0, Qt::AlignHCenter);
    m_name = new ElidedLabel(m_content);
    m_name->setObjectName(QStringLiteral("profileName"));
    QFont nameFont = Appearance::font(TextStyle::Title2);
    nameFont.setWeight(QFont::DemiBold);
    m_name->setFont(nameFont);
    m_name->setAlignment(Qt::AlignHCenter);
    header->addWidget(m_name);
    m_openId = new QLabel(m_content);
    m_openId->setObjectName(QStringLiteral("profileOpenId"));
    m_openId->setTextFormat(Qt::PlainText);
    m_openId->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_openId->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_openId, Appearance::secondaryText());
    header->addWidget(m_openId, 0, Qt::AlignHCenter);
    m_bio = new QLabel(m_content);
    m_bio->setObjectName(QStringLiteral("profileBio"));
    m_bio->setTextFormat(Qt::PlainText);
    m_bio->setWordWrap(true);
    m_bio->setAlignment(Qt::AlignHCenter);
    Appearance::setTextColor(m_bio, Appearance::secondaryText());
    header->addWidget(m_bio);
    auto* details = new QHBoxLayout;
    details->setSpacing(16);
    details->addStretch(1);
    m_emailRow = detail("profileEmail", "envelope", &m_email);
    m_genderRow = detail("profileGender", "person", &m_gender);
    m_regionRow = detail("profileRegion", "globe", &m_region);
    for (QWidget* row : { m_emailRow, m_genderRow, m_regionRow })
        details->addWidget(row);
    details->addStretch(1);
    header->addLayout(details);
    column->addLayout(header);

    // 2-3. The editor.
    column->addWidget(divider(m_content));
    m_edit = new QPushButton(m_content);
    m_edit->setObjectName(QStringLiteral("editProfileButton"));
    connect(m_edit, &QPushButton::clicked, this, &ProfileView::openEditor);
    column->addWidget(m_edit, 0, Qt::AlignHCenter);

    // 4-5. The sign-in sessions.
    column->addWidget(divider(m_content));
    auto* sessions = new QVBoxLayout;
    sessions->setSpacing(8);
    m_sessionsHeading = new QLabel(m_content);
    m_sessionsHeading->setObjectName(QStringLiteral("sessionsHeading"));
    m_sessionsHeading->setFont(Appearance::font(TextStyle::Headline));
    sessions->addWidget(m_sessionsHeading);
    m_sessionModel = new SessionListModel(m_viewModel, this);
    m_sessionRows = new SessionRow(this);
    m_sessionList = new QListView(m_content);
    m_sessionList->setObjectName(QStringLiteral("sessionList"));
    m_sessionList->setModel(m_sessionModel);
    m_sessionList->setItemDelegate(m_sessionRows);
    m_sessionList->setFrameShape(QFrame::NoFrame);
    m_sessionList->setUniformItemSizes(true);
    m_sessionList->setSelectionMode(QAbstractItemView::NoSelection);
    // The page scrolls, not the list: it is always as tall as its rows.
    m_sessionList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sessionList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sessionList->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    sessions->addWidget(m_sessionList);
    column->addLayout(sessions);

    // 6-7. The security links.
    column->addWidget(divider(m_content));
    m_twoFactor = linkButton("twoFactorLink", "lock.shield", m_content);
    m_devices = linkButton("devicesLink", "desktopcomputer", m_content);
    connect(m_twoFactor, &QPushButton::clicked, this, &ProfileView::openTwoFactor);
    connect(m_devices, &QPushButton::clicked, this, &ProfileView::openDevices);
    auto* links = new QVBoxLayout;
    links->setSpacing(8);
    links->addWidget(m_twoFactor, 0, Qt::AlignLeft);
    links->addWidget(m_devices, 0, Qt::AlignLeft);
    column->addLayout(links);

    // 8-9. Sign-out.
    column->addWidget(divider(m_content));
    m_logout = new QPushButton(m_content);
    m_logout->setObjectName(QStringLiteral("logoutButton"));
    Appearance::setTextColor(m_logout, QColor(0xff, 0x3b, 0x30));
    connect(m_logout, &QPushButton::clicked, this, &ProfileView::logout);
    column->addWidget(m_logout, 0, Qt::AlignHCenter);

    connect(m_auth, &AuthViewModel::userChanged, this, &ProfileView::updateUser);
    connect(m_sessionModel, &QAbstractItemModel::modelReset, this, &ProfileView::fitSessions);
    connect(m_sessionModel, &QAbstractItemModel::rowsInserted, this, &ProfileView::fitSessions);
    connect(m_sessionModel, &QAbstractItemModel::rowsRemoved, this, &ProfileView::fitSessions);
    ListKeyboard::attach(m_sessionList)->showCurrentRowOnEntry();
    connect(m_sessionRows, &SessionRow::actionTriggered, this, [this](const QModelIndex& index, const QString& name) {
        if (name == u"revoke")
            m_viewModel->revokeSession(m_sessionModel->sessionAt(index.row()));
    });
    connect(m_viewModel, &ProfileViewModel::errorChanged, this, &ProfileView::showError);
    connect(m_alert, &ErrorAlert::dismissed, m_viewModel, &ProfileViewModel::clearError);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ProfileView::retranslate);
    retranslate();
    fitSessions();
    updateUser();
    // Loaded on every showing (each showing builds a fresh page), with or without a user.
    m_viewModel->loadSessions();
}

QWidget* ProfileView::detail(const char* objectName, const char* symbol, QLabel** text)
{
    auto* row = new QWidget(m_content);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(4);
    auto* icon = new QLabel(row);
    Icons::apply(icon, QString::fromLatin1(symbol), 12, Appearance::secondaryText());
    *text = new QLabel(row);
    (*text)->setObjectName(QString::fromLatin1(objectName));
    (*text)->setTextFormat(Qt::PlainText);
    (*text)->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(*text, Appearance::secondaryText());
    line->addWidget(icon);
    line->addWidget(*text);
    return row;
}

void ProfileView::updateUser()
{
    const std::optional<User> user = m_auth->user();
    m_content->setVisible(user.has_value());
    if (!user)
        return;
    m_avatar->setName(user->name);
    m_avatar->setAvatar(user->avatar);
    m_name->setFullText(user->name);
    m_openId->setText(QStringLiteral("ID: ") + user->openId);
    const QString bio = user->bio.value_or(QString());
    m_bio->setText(bio);
    m_bio->setVisible(!bio.isEmpty());
    // Present but empty still shows: the row says the field exists.
    const std::pair<QWidget*, std::pair<QLabel*, std::optional<QString>>> details[] = {
        { m_emailRow, { m_email, user->email } },
        { m_genderRow, { m_gender, user->gender } },
        { m_regionRow, { m_region, user->region } },
    };
    for (const auto& [row, field] : details) {
        row->setVisible(field.second.has_value());
        field.first->setText(field.second.value_or(QString()));
    }
}

void ProfileView::fitSessions()
{
    const int rowHeight = m_sessionRows->sizeHint(QStyleOptionViewItem(), QModelIndex()).height();
    m_sessionList->setFixedHeight(m_sessionModel->rowCount() * rowHeight);
}

void ProfileView::showError()
{
    const std::optional<ScreenError> error = m_viewModel->error();
    m_alert->setMessage(error ? std::optional(error->text()) : std::nullopt);
}

void ProfileView::openEditor()
{
    if (m_editSheet)
        return;
    m_editSheet = m_savingSheet ? m_savingSheet.data() : new ProfileEditView(m_auth, m_authService, this);
    m_savingSheet = nullptr;
    connect(m_editSheet, &QDialog::finished, this, [this] {
        ProfileEditView* sheet = m_editSheet;
        m_editSheet = nullptr;
        if (!sheet->viewModel()->isSaving()) {
            sheet->deleteLater();
            return;
        }
        // The save still ends, and still refreshes the user, after the sheet closed.
        m_savingSheet = sheet;
        connect(sheet->viewModel(), &ProfileEditViewModel::isSavingChanged, sheet, [this, sheet] {
            // Opened again meanwhile: it closes itself once saved.
            if (sheet->isVisible())
                return;
            if (m_savingSheet == sheet)
                m_savingSheet = nullptr;
            sheet->deleteLater();
        }, Qt::SingleShotConnection);
    }, Qt::SingleShotConnection);
    m_editSheet->open();
}

void ProfileView::openTwoFactor()
{
    if (NavigationStack* stack = NavigationStack::of(this))
        stack->push(AccountScreens::twoFactor());
}

void ProfileView::openDevices()
{
    if (NavigationStack* stack = NavigationStack::of(this))
        stack->push(AccountScreens::deviceManagement());
}

void ProfileView::logout()
{
    m_auth->logout();
}

void ProfileView::retranslate()
{
    m_edit->setText(Localized::text("profile.edit"));
    m_sessionsHeading->setText(Localized::text("profile.login_devices"));
    m_sessionList->setAccessibleName(m_sessionsHeading->text());
    m_twoFactor->setText(Localized::text("profile.two_factor"));
    m_devices->setText(Localized::text("profile.devices"));
    m_logout->setText(Localized::text("profile.logout"));
    // The rows say "this device" and "sign out" when drawn.
    m_sessionList->viewport()->update();
    if (m_viewModel->error())
        showError();
}
