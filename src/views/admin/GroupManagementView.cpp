#include "views/admin/GroupManagementView.h"

#include "state/GroupManagementViewModel.h"
#include "state/PrintfFormat.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/common/Localized.h"

#include <QPointer>
#include <QPushButton>

GroupManagementView::GroupManagementView(APIClient& api, QWidget* parent)
    : GroupManagementView(new GroupManagementViewModel(api), parent)
{
}

GroupManagementView::GroupManagementView(GroupManagementViewModel* model, QWidget* parent)
    : AdminPagedTableView(model,
                          { "admin.groups_search", "admin.groups_total", "admin.groups_empty", QStringLiteral("person.2.slash") },
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

void GroupManagementView::fillRow(int row)
{
    const AdminGroup group = m_model->groups().at(row);
    setTextCell(row, 0, QString::number(group.id), CellStyle::CaptionMonospaced);
    setTextCell(row, 1, group.name.value_or(QStringLiteral("-")), CellStyle::Body);
    setTextCell(row, 2, QString::number(group.memberCount.value_or(0)), CellStyle::CaptionMonospaced);
    setTextCell(row, 3, group.ownerName.value_or(QString::number(group.ownerId.value_or(0))), CellStyle::Caption);
    setTextCell(row, 4, group.createdAt.value_or(QStringLiteral("-")), CellStyle::CaptionSecondary);
    QPushButton* dissolve = rowButton(Localized::text("admin.groups_dissolve"), Tint::Red, nullptr);
    dissolve->setObjectName(QStringLiteral("dissolveButton"));
    connect(dissolve, &QPushButton::clicked, this, [this, group] { requestDissolve(group); });
    setWidgetCell(row, 5, dissolve);
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
