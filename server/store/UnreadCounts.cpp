#include "store/UnreadCounts.h"

#include "store/Database.h"

UnreadCounts::UnreadCounts(Database& db)
    : m_db(db)
{
}

QString UnreadCounts::countedThrough()
{
    return QStringLiteral("(SELECT counted_through FROM unread_counts_state)");
}

QString UnreadCounts::of(const QString& member)
{
    return QStringLiteral("(%1.unread_count + (SELECT COUNT(*) FROM messages n WHERE n.conversation_id = %1.conversation_id"
                          " AND n.id > MAX(%1.last_read_id, %1.cleared_before_id, %2) AND n.sender_id != %1.user_id"
                          " AND n.revoked_at IS NULL))")
        .arg(member, countedThrough());
}

qint64 UnreadCounts::waiting()
{
    return m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM messages WHERE id > %1").arg(countedThrough())).toLongLong();
}

bool UnreadCounts::countNew()
{
    Database::Transaction transaction(m_db);
    const qint64 from = m_db.scalar(QStringLiteral("SELECT counted_through FROM unread_counts_state")).toLongLong();
    const qint64 to = m_db.scalar(QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM messages")).toLongLong();
    if (to <= from)
        return false;
    // Only the rows of members with something new are written.
    m_db.run(QStringLiteral("UPDATE conversation_members SET unread_count = unread_count + fresh.n"
                            " FROM (SELECT c.conversation_id, c.user_id, COUNT(*) AS n FROM messages g"
                            "   JOIN conversation_members c ON c.conversation_id = g.conversation_id AND c.user_id != g.sender_id"
                            "   WHERE g.id > ? AND g.id <= ? AND g.revoked_at IS NULL AND g.id > MAX(c.last_read_id, c.cleared_before_id)"
                            "   GROUP BY c.conversation_id, c.user_id) AS fresh"
                            " WHERE conversation_members.conversation_id = fresh.conversation_id"
                            " AND conversation_members.user_id = fresh.user_id"),
        { from, to });
    m_db.run(QStringLiteral("UPDATE unread_counts_state SET counted_through = ?"), { to });
    transaction.commit();
    return true;
}
