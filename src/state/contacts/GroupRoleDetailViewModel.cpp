#include "state/contacts/GroupRoleDetailViewModel.h"

#include "state/common/ErrorDescription.h"

#include <QPointer>

const QList<GroupRoleDetailViewModel::Permission>& GroupRoleDetailViewModel::permissionTable()
{
    static const QList<Permission> table {
        { QStringLiteral("canSendMessage"), "roles.perm_send", true },
        { QStringLiteral("canInvite"), "roles.perm_invite", false },
        { QStringLiteral("canPin"), "roles.perm_pin", false },
        { QStringLiteral("canAnnounce"), "roles.perm_announce", false },
        { QStringLiteral("canManageMembers"), "roles.perm_manage", false },
    };
    return table;
}

GroupRoleDetailViewModel::GroupRoleDetailViewModel(qint64 groupId, qint64 conversationId,
    std::optional<GroupService::GroupRole> existingRole, QStringList presetColors, GroupService* groupService, QObject* parent)
    : QObject(parent)
    , m_groupId(groupId)
    , m_conversationId(conversationId)
    , m_existingRole(std::move(existingRole))
    , m_presetColors(std::move(presetColors))
    , m_groupService(groupService)
{
    // A new role may send messages and nothing more until the owner says otherwise.
    for (const Permission& permission : permissionTable())
        m_permissions.insert(permission.key, permission.fallback);
}

void GroupRoleDetailViewModel::setName(const QString& name)
{
    if (m_name == name)
        return;
    m_name = name;
    Q_EMIT changed();
}

void GroupRoleDetailViewModel::setSelectedColor(const QString& color)
{
    if (m_selectedColor == color)
        return;
    m_selectedColor = color;
    Q_EMIT changed();
}

void GroupRoleDetailViewModel::setPermission(const QString& key, bool granted)
{
    if (!m_permissions.contains(key) || m_permissions.value(key) == granted)
        return;
    m_permissions.insert(key, granted);
    Q_EMIT changed();
}

void GroupRoleDetailViewModel::clearError()
{
    if (!m_errorMessage)
        return;
    m_errorMessage.reset();
    Q_EMIT errorMessageChanged();
}

QString GroupRoleDetailViewModel::trimmedName() const
{
    qsizetype begin = 0;
    qsizetype end = m_name.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(m_name.at(begin)))
        ++begin;
    while (end > begin && blank(m_name.at(end - 1)))
        --end;
    return m_name.mid(begin, end - begin);
}

bool GroupRoleDetailViewModel::canSave() const
{
    return !m_isSaving && !trimmedName().isEmpty();
}

void GroupRoleDetailViewModel::prefill()
{
    if (!m_existingRole)
        return;
    m_name = m_existingRole->name;
    m_selectedColor = m_existingRole->color.value_or(defaultColor());
    const GroupService::Permissions stored = m_existingRole->permissions.value_or(GroupService::Permissions {});
    for (const Permission& permission : permissionTable())
        m_permissions.insert(permission.key, stored.value(permission.key, permission.fallback));
    Q_EMIT changed();
}

QCoro::Task<> GroupRoleDetailViewModel::save()
{
    const QString name = trimmedName();
    if (name.isEmpty() || m_isSaving)
        co_return;
    QPointer<GroupRoleDetailViewModel> self(this);
    setIsSaving(true);
    std::optional<GroupService::GroupRole> created;
    try {
        if (m_existingRole)
            co_await m_groupService->updateRole(m_existingRole->id, m_groupId, name, m_selectedColor, m_permissions);
        else
            created = co_await m_groupService->createRole(m_groupId, name, m_selectedColor, m_permissions);
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        m_errorMessage = errorDescription(error);
        Q_EMIT errorMessageChanged();
        setIsSaving(false);
        co_return;
    }
    if (!self)
        co_return;
    setIsSaving(false);
    Q_EMIT saved(created);
}

void GroupRoleDetailViewModel::setIsSaving(bool saving)
{
    if (m_isSaving == saving)
        return;
    m_isSaving = saving;
    Q_EMIT isSavingChanged();
}
