#include "state/admin/GroupManagementViewModel.h"

#include "models/AdminListResponse.h"

#include <QJsonObject>
#include <QPointer>

using namespace Qt::StringLiterals;

GroupManagementViewModel::GroupManagementViewModel(APIClient& api, QObject* parent)
    : AdminPagedTable(api, { u"/api/admin/groups"_s, pageSize, "admin.groups_load_failed" }, parent)
{
}

std::pair<int, std::optional<qint64>> GroupManagementViewModel::takePage(const QJsonValue& reply)
{
    AdminGroupListResponse page = json::decode<AdminGroupListResponse>(reply);
    m_reload.settle(page.rows);
    m_groups = std::move(page.rows);
    Q_EMIT rowsChanged();
    return { int(m_groups.size()), page.total };
}

QCoro::Task<> GroupManagementViewModel::dissolve(AdminGroup group)
{
    if (!beginAction(group.id))
        co_return;
    QPointer<GroupManagementViewModel> self(this);
    try {
        const QJsonObject body { { u"groupId"_s, group.id } };
        co_await api().guardedRequest<void>("POST", u"/api/admin/groups/dissolve"_s, QJsonValue(body));
        if (!self)
            co_return;
        if (m_reload.apply(m_groups, ListReload<AdminGroup>::removal(group.id)))
            Q_EMIT rowsChanged();
        setTotal(std::max<qint64>(total() - 1, 0));
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        fail("admin.groups_dissolve_failed", error);
    }
    endAction(group.id);
}
