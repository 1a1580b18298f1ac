#include "views/admin/UserManagementView.h"

#include "state/PrintfFormat.h"
#include "state/UserManagementViewModel.h"
#include "views/admin/CapsuleBadge.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/admin/RolePickerSheet.h"
#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace {

// The ban state: a dot and its word.
QWidget* statusIndicator(bool banned)
{
    auto* holder = new QWidget;
    holder->setObjectName(QStringLiteral("statusIndicator"));
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto* dot = new QLabel(holder);
    dot->setObjectName(QStringLiteral("statusDot"));
    dot->setFixedSize(8, 8);
    dot->setProperty("tint", int(banned ? Tint::Red : Tint::Green));
    dot->setStyleSheet(QStringLiteral("background: %1; border-radius: 4px;").arg(tintColor(banned ? Tint::Red : Tint::Green).name()));
    auto* word = new QLabel(Localized::text(banned ? "admin.users_banned" : "admin.users_normal"), holder);
    word->setObjectName(QStringLiteral("statusText"));
    word->setFont(Appearance::font(Appearance::TextStyle::Caption));
    row->addWidget(dot);
    row->addWidget(word);
    return holder;
}

} // namespace

UserManagementView::UserManagementView(APIClient& api, QWidget* parent)
    : UserManagementView(new UserManagementViewModel(api), parent)
{
}

UserManagementView::UserManagementView(UserManagementViewModel* model, QWidget* parent)
    : AdminPagedTableView(model,
                          { "admin.users_search", "admin.users_total", "admin.users_empty", QStringLiteral("person.slash") },
                          { { QStringLiteral("ID"), 40, 50 },
                            { QStringLiteral("admin.users_username"), 80, 120 },
                            { QStringLiteral("admin.users_imid"), 80, 100 },
                            { QStringLiteral("admin.users_role"), 60, 80 },
                            { QStringLiteral("admin.users_status"), 60, 80 },
                            { QStringLiteral("admin.users_actions"), 140, 160 } },
                          parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("userManagementView"));
    m_model->setParent(this);
}

void UserManagementView::fillRow(int row)
{
    const AdminUser user = m_model->users().at(row);
    setTextCell(row, 0, QString::number(user.id), CellStyle::CaptionMonospaced);
    setTextCell(row, 1, user.name.value_or(QStringLiteral("-")), CellStyle::Body);
    setTextCell(row, 2, user.openId.value_or(QStringLiteral("-")), CellStyle::CaptionMonospaced);
    setWidgetCell(row, 3, new CapsuleBadge(user.role.value_or(QStringLiteral("user")), UserManagementViewModel::roleBadgeColor(user.role)));
    const bool banned = user.isBanned.value_or(false);
    setWidgetCell(row, 4, statusIndicator(banned));

    auto* actions = new QWidget;
    auto* buttons = new QHBoxLayout(actions);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(8);
    QPushButton* ban = rowButton(Localized::text(banned ? "admin.users_unban" : "admin.users_ban"), banned ? Tint::Green : Tint::Red, actions);
    ban->setObjectName(QStringLiteral("banButton"));
    auto* role = new QPushButton(Localized::text("admin.users_role"), actions);
    role->setObjectName(QStringLiteral("roleButton"));
    role->setFont(Appearance::font(Appearance::TextStyle::Caption));
    buttons->addWidget(ban);
    buttons->addWidget(role);
    connect(ban, &QPushButton::clicked, this, [this, user] { requestBan(user); });
    connect(role, &QPushButton::clicked, this, [this, user] { requestRoleChange(user); });
    setWidgetCell(row, 5, actions);
}

void UserManagementView::requestBan(const AdminUser& user)
{
    const bool unban = user.isBanned.value_or(false);
    const QString action = Localized::text(unban ? "admin.users_unban" : "admin.users_ban");
    const QString title = printfFormat(Localized::text("admin.users_ban_confirm"), { action, user.name.value_or(QString()) });
    QPointer<UserManagementViewModel> model(m_model);
    auto* dialog = new ConfirmationDialog(title, action, !unban, [model, user] {
        if (model)
            model->toggleBan(user);
    }, this);
    dialog->open();
}

void UserManagementView::requestRoleChange(const AdminUser& user)
{
    QPointer<UserManagementViewModel> model(m_model);
    auto* sheet = new RolePickerSheet(user, [model, user](QString role) {
        if (model)
            model->changeRole(user, role);
    }, this);
    sheet->open();
}
