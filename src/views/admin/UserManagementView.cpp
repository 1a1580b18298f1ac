#include "views/admin/UserManagementView.h"

#include "state/admin/UserManagementViewModel.h"
#include "state/common/PrintfFormat.h"
#include "views/admin/CapsuleBadge.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/admin/RolePickerSheet.h"
#include "views/common/Localized.h"

#include <QPointer>

UserManagementView::UserManagementView(APIClient& api, QWidget* parent)
    : UserManagementView(new UserManagementViewModel(api), parent)
{
}

UserManagementView::UserManagementView(UserManagementViewModel* model, QWidget* parent)
    : AdminPagedTableView(model,
                          { "admin.users_search", "admin.users_total", "admin.users_empty", QStringLiteral("person.slash"), "admin.users" },
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

QVariant UserManagementView::cellData(int row, int column, int role) const
{
    using Style = AdminCellDelegate::TextStyle;
    const AdminUser& user = m_model->users().at(row);
    const bool banned = user.isBanned.value_or(false);
    switch (column) {
    case 0:
        return AdminCellDelegate::textData(QString::number(user.id), Style::CaptionMonospaced, role);
    case 1:
        return AdminCellDelegate::textData(user.name.value_or(QStringLiteral("-")), Style::Body, role);
    case 2:
        return AdminCellDelegate::textData(user.openId.value_or(QStringLiteral("-")), Style::CaptionMonospaced, role);
    case 3:
        return AdminCellDelegate::badgeData(user.role.value_or(QStringLiteral("user")), UserManagementViewModel::roleBadgeColor(user.role), role);
    case 4:
        return AdminCellDelegate::dotData(Localized::text(banned ? "admin.users_banned" : "admin.users_normal"),
                                          banned ? Tint::Red : Tint::Green, role);
    case 5: {
        const RowAction ban = AdminCellDelegate::cellAction(QStringLiteral("banButton"),
            Localized::text(banned ? "admin.users_unban" : "admin.users_ban"), banned ? Tint::Green : Tint::Red, !m_model->isActing(user.id));
        const RowAction changeRole = AdminCellDelegate::cellAction(QStringLiteral("roleButton"), Localized::text("admin.users_role"), std::nullopt, true);
        return AdminCellDelegate::actionsData({ ban, changeRole }, role);
    }
    default:
        return {};
    }
}

void UserManagementView::actionTriggered(int row, const QString& name)
{
    const AdminUser user = m_model->users().at(row);
    if (name == u"banButton")
        requestBan(user);
    else if (name == u"roleButton")
        requestRoleChange(user);
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
