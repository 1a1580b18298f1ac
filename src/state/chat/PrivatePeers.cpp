#include "state/chat/PrivatePeers.h"

#include "models/GroupMember.h"
#include "services/GroupService.h"
#include "state/common/ErrorDescription.h"

#include <QDebug>
#include <QPointer>

PrivatePeers::PrivatePeers(qint64 currentUserId, GroupService& groups, QObject* parent)
    : QObject(parent)
    , m_currentUserId(currentUserId)
    , m_groups(groups)
{
}

void PrivatePeers::resolve(const QList<Conversation>& conversations)
{
    for (const Conversation& conversation : conversations) {
        const qint64 id = conversation.id;
        if (conversation.type != u"private")
            continue;
        if (conversation.peerId) {
            m_peers.insert(id, *conversation.peerId);
            continue;
        }
        if (!m_peers.contains(id) && !m_resolving.contains(id) && !m_unresolvable.contains(id)) {
            m_resolving.insert(id);
            m_queue.append(id);
        }
    }
    while (m_activeLookups < maxParallelLookups && !m_queue.isEmpty()) {
        ++m_activeLookups;
        lookupWorker();
    }
}

QCoro::Task<> PrivatePeers::lookupWorker()
{
    QPointer<PrivatePeers> self(this);
    GroupService* groups = &m_groups;
    while (!m_queue.isEmpty()) {
        const qint64 conversationId = m_queue.takeFirst();
        QList<GroupMember> members;
        try {
            members = co_await groups->getMembers(conversationId);
        } catch (const std::exception& error) {
            qWarning().noquote() << "[Conversations] Members of" << conversationId << "unavailable:" << errorDescription(error);
        }
        if (!self)
            co_return;
        std::optional<qint64> peer;
        for (const GroupMember& member : std::as_const(members)) {
            if (member.userId != m_currentUserId) {
                peer = member.userId;
                break;
            }
        }
        m_resolving.remove(conversationId);
        // Asked once per session: a conversation whose members cannot be read (or
        // that has no other member) would otherwise be asked about at every reload.
        if (peer)
            m_peers.insert(conversationId, *peer);
        else
            m_unresolvable.insert(conversationId);
        Q_EMIT resolved();
    }
    --m_activeLookups;
}

bool PrivatePeers::applyPresence(QList<Conversation>& conversations, const QSet<qint64>& online) const
{
    bool changed = false;
    for (Conversation& conversation : conversations) {
        if (conversation.type == u"group")
            continue;
        const auto peer = m_peers.constFind(conversation.id);
        if (peer == m_peers.constEnd())
            continue;
        const bool isOnline = online.contains(*peer);
        if (conversation.online.value_or(false) != isOnline) {
            conversation.online = isOnline;
            changed = true;
        }
    }
    return changed;
}
