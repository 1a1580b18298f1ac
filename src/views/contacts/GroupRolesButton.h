#pragma once

#include "services/GroupService.h"

#include <QDialog>
#include <QPointer>
#include <QToolButton>

class GroupRolesMenuViewModel;
class QMenu;

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
    QMenu* rolesMenu() const { return m_menu; }

private:
    void retranslate();
    // Below the button, its right edge on the button's: the button stands at the
    // window's right edge, and a menu hung from its left would run past it.
    void showRolesMenu();

    GroupRolesMenuViewModel* m_viewModel;
    QMenu* m_menu;
    QAction* m_create;
    QPointer<QDialog> m_sheet;
};
