#pragma once

#include "models/Conversation.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

class GroupService;

// The other member of each private conversation, whose presence is the
// conversation's online flag: named by the server's list, or else looked up once
// per session among the conversation's members, a few look-ups at a time.
class PrivatePeers : public QObject {
    Q_OBJECT
public:
    // Member look-ups in flight at once.
    static constexpr int maxParallelLookups = 4;

    PrivatePeers(qint64 currentUserId, GroupService& groups, QObject* parent = nullptr);

    bool isResolving() const { return m_activeLookups > 0; }
    // Takes the peers the list names and starts looking up the others; returns at once.
    void resolve(const QList<Conversation>& conversations);
    // Sets each resolved private conversation's online flag from the online users;
    // writes only changed flags and says whether any changed.
    bool applyPresence(QList<Conversation>& conversations, const QSet<qint64>& online) const;

Q_SIGNALS:
    // A look-up ended: a peer may be known now.
    void resolved();

private:
    QCoro::Task<> lookupWorker();

    qint64 m_currentUserId;
    GroupService& m_groups;
    // Private conversation id → the other member's user id, resolved once.
    QHash<qint64, qint64> m_peers;
    QSet<qint64> m_resolving;
    QList<qint64> m_queue;
    int m_activeLookups = 0;
    // Private conversations whose other member could not be found this session.
    QSet<qint64> m_unresolvable;
};
