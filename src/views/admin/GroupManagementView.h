#pragma once

#include "models/AdminGroup.h"
#include "views/admin/AdminPagedTableView.h"

class APIClient;
class GroupManagementViewModel;

// The groups table: name, member count, owner, creation time and the dissolve
// button with its confirmation.
class GroupManagementView : public AdminPagedTableView {
    Q_OBJECT
public:
    explicit GroupManagementView(APIClient& api, QWidget* parent = nullptr);

    GroupManagementViewModel* model() const { return m_model; }
    void requestDissolve(const AdminGroup& group);

    QVariant cellData(int row, int column, int role) const override;

protected:
    void actionTriggered(int row, const QString& name) override;

private:
    GroupManagementView(GroupManagementViewModel* model, QWidget* parent);

    GroupManagementViewModel* m_model;
};
