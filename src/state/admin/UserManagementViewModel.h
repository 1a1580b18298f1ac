#pragma once

#include "models/AdminUser.h"
#include "state/admin/AdminPagedTable.h"
#include "state/admin/Tint.h"
#include "state/common/ListReload.h"

#include <QList>

#include <functional>

// The accounts of the users screen, 20 to a page, with ban, unban and role changes
// that patch their row instead of reloading.
class UserManagementViewModel : public AdminPagedTable {
    Q_OBJECT
public:
    static constexpr int pageSize = 20;
    // The roles the role sheet offers, in its order.
    static const QStringList& roles();

    explicit UserManagementViewModel(APIClient& api, QObject* parent = nullptr);

    const QList<AdminUser>& users() const { return m_users; }
    int rowCount() const override { return int(m_users.size()); }

    // Flips the account's ban (an absent flag counts as not banned).
    QCoro::Task<> toggleBan(AdminUser user);
    QCoro::Task<> changeRole(AdminUser user, QString role);

    static Tint roleBadgeColor(const std::optional<QString>& role);

protected:
    void pageRequested() override { m_reload.begin(); }
    std::pair<int, std::optional<qint64>> takePage(const QJsonValue& reply) override;

private:
    // Changes the first row with the account's id, when the page shows it now or
    // once a load on its way has arrived: change is kept until then, so it holds
    // what it sets by value.
    void patchRow(qint64 id, const std::function<void(AdminUser&)>& change);

    QList<AdminUser> m_users;
    ListReload<AdminUser> m_reload;
};
