#pragma once

#include "models/GroupMember.h"
#include "services/GroupService.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

// Hands one role of a group to its members, or takes it back, one click per
// member. The marks change only after the server accepted the change.
class AssignRoleViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<GroupMember> members READ members NOTIFY membersChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString errorMessage READ errorText NOTIFY errorMessageChanged)

public:
    // The badge under a member's name: none for "member" or no role, "group.owner"
    // for "owner", "group.admin" for any other standing.
    static std::optional<QString> standingKey(const GroupMember& member);

    AssignRoleViewModel(qint64 groupId, qint64 conversationId, GroupService::GroupRole role, QSet<qint64> assignedUserIds,
        GroupService* groupService, QObject* parent = nullptr);

    qint64 groupId() const { return m_groupId; }
    const GroupService::GroupRole& role() const { return m_role; }
    QList<GroupMember> members() const { return m_members; }
    bool isAssigned(qint64 userId) const { return m_assignedUserIds.contains(userId); }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorText() const { return m_errorMessage.value_or(QString()); }
    void clearError();

    QCoro::Task<> loadMembers();
    // wasAssigned: what the row showed when it was clicked.
    QCoro::Task<> toggle(GroupMember member, bool wasAssigned);

Q_SIGNALS:
    void membersChanged();
    void assignmentsChanged();
    void isLoadingChanged();
    void errorMessageChanged();

private:
    void setError(const QString& error);

    qint64 m_groupId;
    qint64 m_conversationId;
    GroupService::GroupRole m_role;
    QSet<qint64> m_assignedUserIds;
    GroupService* m_groupService;
    QList<GroupMember> m_members;
    bool m_isLoading = true;
    std::optional<QString> m_errorMessage;
};
