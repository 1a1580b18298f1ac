#include "store/PostingRights.h"

#include "store/Database.h"

PostingRights::PostingRights(Database& db, Conversations& conversations)
    : m_db(db)
    , m_conversations(conversations)
{
}

void PostingRights::refresh()
{
    // SQLite moves a connection's data_version whenever another connection commits.
    const qint64 version = m_db.scalar(QStringLiteral("PRAGMA data_version")).toLongLong();
    if (version != m_dataVersion)
        forget();
    m_dataVersion = version;
}

const PostingRight& PostingRights::of(qint64 senderId, qint64 conversationId)
{
    const std::pair key { senderId, conversationId };
    auto known = m_known.constFind(key);
    if (known == m_known.cend())
        known = m_known.insert(key, m_conversations.postingRight(conversationId, senderId));
    return *known;
}

const QList<qint64>& PostingRights::membersOf(qint64 conversationId)
{
    auto known = m_members.constFind(conversationId);
    if (known == m_members.cend())
        known = m_members.insert(conversationId, m_conversations.memberIds(conversationId));
    return *known;
}

const Sender& PostingRights::senderOf(qint64 senderId)
{
    auto known = m_senders.constFind(senderId);
    if (known == m_senders.cend()) {
        const QVariantList row = m_db.rows(QStringLiteral("SELECT name, avatar FROM users WHERE id = ?"), { senderId }).value(0);
        known = m_senders.insert(senderId, Sender { row.value(0).toString(), row.value(1) });
    }
    return *known;
}

QList<qint64> PostingRights::notShownYet(const QList<qint64>& conversationIds)
{
    QList<qint64> notShown;
    for (const qint64 id : conversationIds) {
        if (!m_shown.contains(id)) {
            notShown.append(id);
            m_shown.insert(id);
        }
    }
    return notShown;
}

QList<qint64> PostingRights::notTouchedAt(const QList<qint64>& conversationIds, const QString& time)
{
    QList<qint64> notTouched;
    for (const qint64 id : conversationIds) {
        QString& touched = m_touchedAt[id];
        if (touched != time) {
            notTouched.append(id);
            touched = time;
        }
    }
    return notTouched;
}

void PostingRights::forget()
{
    m_known.clear();
    m_members.clear();
    m_senders.clear();
    m_shown.clear();
    m_touchedAt.clear();
}
