#pragma once

#include "models/AdminGroup.h"
#include "state/admin/AdminPagedTable.h"
#include "state/common/ListReload.h"

#include <QList>

// The groups screen's rows, 20 to a page; dissolving removes the row and lowers
// the total instead of reloading.
class GroupManagementViewModel : public AdminPagedTable {
    Q_OBJECT
public:
    static constexpr int pageSize = 20;

    explicit GroupManagementViewModel(APIClient& api, QObject* parent = nullptr);

    const QList<AdminGroup>& groups() const { return m_groups; }
    int rowCount() const override { return int(m_groups.size()); }

    QCoro::Task<> dissolve(AdminGroup group);

protected:
    void pageRequested() override { m_reload.begin(); }
    std::pair<int, std::optional<qint64>> takePage(const QJsonValue& reply) override;

private:
    QList<AdminGroup> m_groups;
    ListReload<AdminGroup> m_reload;
};
