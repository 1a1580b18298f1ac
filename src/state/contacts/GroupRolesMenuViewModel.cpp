#include "state/contacts/GroupRolesMenuViewModel.h"

#include "services/GroupService.h"
#include "state/common/ErrorDescription.h"

#include <QDebug>
#include <QPointer>

const QStringList& GroupRolesMenuViewModel::presetColors()
{
    static const QStringList colors {
        QStringLiteral("#4A90D9"), QStringLiteral("#50C878"), QStringLiteral("#F5A623"), QStringLiteral("#E74C3C"),
        QStringLiteral("#9B59B6"), QStringLiteral("#1ABC9C"), QStringLiteral("#E91E63"), QStringLiteral("#607D8B"),
    };
    return colors;
}

GroupRolesMenuViewModel::GroupRolesMenuViewModel(qint64 conversationId, qint64 currentUserId, GroupService* groupService, QObject* parent)
    : QObject(parent)
    , m_conversationId(conversationId)
    , m_currentUserId(currentUserId)
    , m_groupService(groupService)
{
}

QCoro::Task<> GroupRolesMenuViewModel::resolve()
{
    QPointer<GroupRolesMenuViewModel> self(this);
    QList<ChatGroup> groups;
    try {
        groups = co_await m_groupService->getGroups();
    } catch (const std::exception& error) {
        qWarning().noquote() << "[GroupRoles] Group list failed:" << errorDescription(error);
    }
    if (!self)
        co_return;
    m_groupId.reset();
    for (const ChatGroup& group : groups) {
        if (group.conversationId == m_conversationId && group.ownerId == m_currentUserId)
            m_groupId = group.id;
    }
    Q_EMIT resolved();
}
