#pragma once

#include "services/GroupService.h"

#include <QDialog>
#include <QPointer>
#include <QToolButton>

class GroupRolesMenuViewModel;


// The group chat header's menu for the group's owner: "roles.create_title" opens the
// role editor, and a role once created opens the screen that hands it to the
// group's members. Hidden for everyone else.
class GroupRolesButton : public QToolButton {
    Q_OBJECT
public:
    // Takes ownership of the view model and starts its look-up.
    explicit GroupRolesButton(GroupRolesMenuViewModel* viewModel, QWidget* parent = nullptr);

    GroupRolesMenuViewModel* viewModel() const { return m_viewModel; }
    QDialog* showRoleEditor();
    QDialog* showAssignment(const GroupService::GroupRole& role);
    QDialog* openSheet() const { return m_sheet; }

private:
    void retranslate();

    GroupRolesMenuViewModel* m_viewModel;
    QAction* m_create;
    QPointer<QDialog> m_sheet;
};
