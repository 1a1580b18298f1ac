#pragma once

#include "models/AdminUser.h"
#include "views/admin/AdminPagedTableView.h"

class APIClient;
class UserManagementViewModel;

// The accounts table: name, IM id, role badge, ban state, and the ban and role
// buttons with their confirmation and sheet.
class UserManagementView : public AdminPagedTableView {
    Q_OBJECT
public:
    explicit UserManagementView(APIClient& api, QWidget* parent = nullptr);

    UserManagementViewModel* model() const { return m_model; }
    void requestBan(const AdminUser& user);
    void requestRoleChange(const AdminUser& user);

    QVariant cellData(int row, int column, int role) const override;

protected:
    void actionTriggered(int row, const QString& name) override;

private:
    UserManagementView(UserManagementViewModel* model, QWidget* parent);

    UserManagementViewModel* m_model;
};
