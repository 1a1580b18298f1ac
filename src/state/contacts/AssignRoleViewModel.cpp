#include "state/contacts/AssignRoleViewModel.h"

#include "state/common/ErrorDescription.h"

#include <QPointer>

std::optional<QString> AssignRoleViewModel::standingKey(const GroupMember& member)
{
    if (!member.role || *member.role == u"member")
        return std::nullopt;
    return *member.role == u"owner" ? QStringLiteral("group.owner") : QStringLiteral("group.admin");
}

AssignRoleViewModel::AssignRoleViewModel(qint64 groupId, qint64 conversationId, GroupService::GroupRole role,
    QSet<qint64> assignedUserIds, GroupService* groupService, QObject* parent)
    : QObject(parent)
    , m_groupId(groupId)
    , m_conversationId(conversationId)
    , m_role(std::move(role))
    , m_assignedUserIds(std::move(assignedUserIds))
    , m_groupService(groupService)
{
}

void AssignRoleViewModel::clearError()
{
    if (!m_errorMessage)
        return;
    m_errorMessage.reset();
    Q_EMIT errorMessageChanged();
}

QCoro::Task<> AssignRoleViewModel::loadMembers()
{
    QPointer<AssignRoleViewModel> self(this);
    try {
        QList<GroupMember> members = co_await m_groupService->getMembers(m_conversationId);
        if (!self)
            co_return;
        m_members = std::move(members);
        Q_EMIT membersChanged();
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        setError(errorDescription(error));
    }
    m_isLoading = false;
    Q_EMIT isLoadingChanged();
}

QCoro::Task<> AssignRoleViewModel::toggle(GroupMember member, bool wasAssigned)
{
    QPointer<AssignRoleViewModel> self(this);
    try {
        if (wasAssigned)
            co_await m_groupService->removeRole(m_groupId, member.userId, m_role.id);
        else
            co_await m_groupService->assignRole(m_groupId, member.userId, m_role.id);
    } catch (const std::exception& error) {
        if (self)
            setError(errorDescription(error));
        co_return;
    }
    if (!self)
        co_return;
    if (wasAssigned)
        m_assignedUserIds.remove(member.userId);
    else
        m_assignedUserIds.insert(member.userId);
    Q_EMIT assignmentsChanged();
}

void AssignRoleViewModel::setError(const QString& error)
{
    m_errorMessage = error;
    Q_EMIT errorMessageChanged();
}
