#include "views/contacts/GroupRolesButton.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/AssignRoleViewModel.h"
#include "state/contacts/GroupRoleDetailViewModel.h"
#include "state/contacts/GroupRolesMenuViewModel.h"
#include "views/common/Appearance.h"
#include "views/common/ContextMenu.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"
#include "views/contacts/AssignRoleView.h"
#include "views/contacts/GroupRoleDetailView.h"

#include <QDialog>
#include <QMenu>

GroupRolesButton::GroupRolesButton(GroupRolesMenuViewModel* viewModel, QWidget* parent)
    : QToolButton(parent)
    , m_viewModel(viewModel)
{
    setObjectName(QStringLiteral("groupRolesButton"));
    m_viewModel->setParent(this);
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    Icons::apply(this, QStringLiteral("ellipsis.circle"), 18, Appearance::secondaryText());
    m_menu = new ContextMenu(this);
    m_menu->setObjectName(QStringLiteral("groupRolesMenu"));
    m_create = m_menu->addAction(QString());
    m_create->setObjectName(QStringLiteral("createRoleAction"));
    connect(m_create, &QAction::triggered, this, &GroupRolesButton::showRoleEditor);
    connect(this, &QToolButton::clicked, this, &GroupRolesButton::showRolesMenu);
    hide();
    connect(m_viewModel, &GroupRolesMenuViewModel::resolved, this, [this] { setVisible(m_viewModel->isOwner()); });
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &GroupRolesButton::retranslate);
    retranslate();
    m_viewModel->resolve();
}

void GroupRolesButton::retranslate()
{
    // The menu item says what it makes: "New Role", not a bare "Create".
    m_create->setText(Localized::text("roles.create_title"));
    setAccessibleName(Localized::text("roles.menu"));
    setToolTip(Localized::text("roles.menu"));
}

void GroupRolesButton::showRolesMenu()
{
    const int width = m_menu->sizeHint().width();
    m_menu->popup(mapToGlobal(QPoint(this->width() - width, height())));
}

QDialog* GroupRolesButton::showRoleEditor()
{
    const std::optional<qint64> groupId = m_viewModel->groupId();
    if (!groupId || m_sheet)
        return m_sheet;
    auto* model = new GroupRoleDetailViewModel(*groupId, m_viewModel->conversationId(), std::nullopt,
        GroupRolesMenuViewModel::presetColors(), m_viewModel->groupService());
    auto* screen = new GroupRoleDetailView(model);
    connect(model, &GroupRoleDetailViewModel::saved, this, [this, screen](const std::optional<GroupService::GroupRole>& created) {
        Sheet::dismiss(screen);
        if (created)
            showAssignment(*created);
    });
    m_sheet = Sheet::present(window(), screen, QSize(420, 460), QStringLiteral("roleEditorSheet"));
    return m_sheet;
}

QDialog* GroupRolesButton::showAssignment(const GroupService::GroupRole& role)
{
    const std::optional<qint64> groupId = m_viewModel->groupId();
    if (!groupId)
        return nullptr;
    auto* model = new AssignRoleViewModel(*groupId, m_viewModel->conversationId(), role, {}, m_viewModel->groupService());
    m_sheet = Sheet::present(window(), new AssignRoleView(model), QSize(380, 460), QStringLiteral("assignRoleSheet"));
    return m_sheet;
}
