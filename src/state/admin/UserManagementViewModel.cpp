#include "state/admin/UserManagementViewModel.h"

#include "models/AdminListResponse.h"

#include <QJsonObject>
#include <QPointer>

using namespace Qt::StringLiterals;

const QStringList& UserManagementViewModel::roles()
{
    static const QStringList list { u"user"_s, u"vip"_s, u"operator"_s, u"admin"_s };
    return list;
}

UserManagementViewModel::UserManagementViewModel(APIClient& api, QObject* parent)
    : AdminPagedTable(api, { u"/api/admin/users"_s, pageSize, "admin.users_load_failed" }, parent)
{
}

std::pair<int, std::optional<qint64>> UserManagementViewModel::takePage(const QJsonValue& reply)
{
    AdminUserListResponse page = json::decode<AdminUserListResponse>(reply);
    m_reload.settle(page.rows);
    m_users = std::move(page.rows);
    Q_EMIT rowsChanged();
    return { int(m_users.size()), page.total };
}

void UserManagementViewModel::patchRow(qint64 id, const std::function<void(AdminUser&)>& change)
{
    m_reload.record(ListReload<AdminUser>::change(id, change));
    for (int row = 0; row < m_users.size(); ++row) {
        if (m_users.at(row).id == id) {
            change(m_users[row]);
            Q_EMIT rowChanged(row);
            return;
        }
    }
}

QCoro::Task<> UserManagementViewModel::toggleBan(AdminUser user)
{
    if (!beginAction(user.id))
        co_return;
    const bool banned = !user.isBanned.value_or(false);
    QPointer<UserManagementViewModel> self(this);
    try {
        const QJsonObject body { { u"userId"_s, user.id }, { u"banned"_s, banned } };
        co_await api().guardedRequest<void>("POST", u"/api/admin/users/ban"_s, QJsonValue(body));
        if (!self)
            co_return;
        patchRow(user.id, [banned](AdminUser& shown) { shown.isBanned = banned; });
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        fail("admin.users_operation_failed", error);
    }
    endAction(user.id);
}

QCoro::Task<> UserManagementViewModel::changeRole(AdminUser user, QString role)
{
    QPointer<UserManagementViewModel> self(this);
    try {
        const QJsonObject body { { u"userId"_s, user.id }, { u"role"_s, role } };
        co_await api().guardedRequest<void>("POST", u"/api/admin/users/role"_s, QJsonValue(body));
        if (!self)
            co_return;
        patchRow(user.id, [role](AdminUser& shown) { shown.role = role; });
    } catch (const std::exception& error) {
        if (self)
            fail("admin.users_role_change_failed", error);
    }
}

Tint UserManagementViewModel::roleBadgeColor(const std::optional<QString>& role)
{
    if (role == u"admin"_s)
        return Tint::Red;
    if (role == u"operator"_s)
        return Tint::Orange;
    if (role == u"vip"_s)
        return Tint::Purple;
    return Tint::Blue;
}
