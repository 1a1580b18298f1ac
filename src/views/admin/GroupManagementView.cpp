#include "views/admin/GroupManagementView.h"

#include "state/admin/GroupManagementViewModel.h"
#include "state/common/PrintfFormat.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/common/Localized.h"

#include <QPointer>

GroupManagementView::GroupManagementView(APIClient& api, QWidget* parent)
    : GroupManagementView(new GroupManagementViewModel(api), parent)
{
}

GroupManagementView::GroupManagementView(GroupManagementViewModel* model, QWidget* parent)
    : AdminPagedTableView(model,
                          { "admin.groups_search", "admin.groups_total", "admin.groups_empty", QStringLiteral("person.2.slash"), "admin.groups" },
                          { { QStringLiteral("ID"), 40, 50 },
                            { QStringLiteral("admin.groups_name"), 100, 160 },
                            { QStringLiteral("admin.groups_members"), 50, 70 },
                            { QStringLiteral("admin.groups_owner"), 80, 120 },
                            { QStringLiteral("admin.groups_created"), 100, 140 },
                            { QStringLiteral("admin.users_actions"), 60, 80 } },
                          parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("groupManagementView"));
    m_model->setParent(this);
}

QVariant GroupManagementView::cellData(int row, int column, int role) const
{
    using Style = AdminCellDelegate::TextStyle;
    const AdminGroup& group = m_model->groups().at(row);
    switch (column) {
    case 0:
        return AdminCellDelegate::textData(QString::number(group.id), Style::CaptionMonospaced, role);
    case 1:
        return AdminCellDelegate::textData(group.name.value_or(QStringLiteral("-")), Style::Body, role);
    case 2:
        return AdminCellDelegate::textData(QString::number(group.memberCount.value_or(0)), Style::CaptionMonospaced, role);
    case 3:
        return AdminCellDelegate::textData(group.ownerName.value_or(QString::number(group.ownerId.value_or(0))), Style::Caption, role);
    case 4:
        return AdminCellDelegate::textData(group.createdAt.value_or(QStringLiteral("-")), Style::CaptionSecondary, role);
    case 5:
        return AdminCellDelegate::actionsData({ AdminCellDelegate::cellAction(QStringLiteral("dissolveButton"), Localized::text("admin.groups_dissolve"),
                                                             Tint::Red, !m_model->isActing(group.id)) },
                                              role);
    default:
        return {};
    }
}

void GroupManagementView::actionTriggered(int row, const QString& name)
{
    if (name == u"dissolveButton")
        requestDissolve(m_model->groups().at(row));
}

void GroupManagementView::requestDissolve(const AdminGroup& group)
{
    const QString title = printfFormat(Localized::text("admin.groups_dissolve_confirm"), { group.name.value_or(QString()) });
    QPointer<GroupManagementViewModel> model(m_model);
    auto* dialog = new ConfirmationDialog(title, Localized::text("admin.groups_dissolve"), true, [model, group] {
        if (model)
            model->dissolve(group);
    }, this);
    dialog->open();
}
