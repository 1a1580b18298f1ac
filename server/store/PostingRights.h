#pragma once

// What each sender may do in each conversation, who is in it and whether it is shown to
// all of them, and the sender's name and picture, for a connection that stores batch after batch of sends: looked up once and
// remembered for as long as no other connection has committed anything (a block, a
// removal, a dissolution, a member hiding the conversation could change the answer; the
// messages this connection stores cannot).

#include "store/Conversations.h"

#include <QHash>
#include <QSet>
#include <QVariant>

#include <utility>

class Database;

// Who sent a message, as its delivery names them.
struct Sender {
    QString name;
    QVariant avatar;
};

class PostingRights {
public:
    PostingRights(Database& db, Conversations& conversations);

    // Forgets every answer when another connection has committed since the last call. Call
    // it inside the transaction the answers are used in.
    void refresh();
    const PostingRight& of(qint64 senderId, qint64 conversationId);
    const QList<qint64>& membersOf(qint64 conversationId);
    const Sender& senderOf(qint64 senderId);
    // The conversations among these not known to be shown to all their members; from now
    // on they count as shown (the caller shows them).
    QList<qint64> notShownYet(const QList<qint64>& conversationIds);
    // The conversations among these whose time is not known to be this one; from now on it
    // counts as theirs (the caller sets it). Times have whole seconds, so a conversation
    // busy with sends takes one update a second, not one a batch.
    QList<qint64> notTouchedAt(const QList<qint64>& conversationIds, const QString& time);
    void forget();

private:
    Database& m_db;
    Conversations& m_conversations;
    qint64 m_dataVersion = -1;
    QHash<std::pair<qint64, qint64>, PostingRight> m_known;
    QHash<qint64, QList<qint64>> m_members;
    QHash<qint64, Sender> m_senders;
    QSet<qint64> m_shown;
    QHash<qint64, QString> m_touchedAt;
};
