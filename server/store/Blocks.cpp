#include "store/Blocks.h"

#include "http/ServerError.h"
#include "store/Database.h"

#include <QSqlQuery>

Blocks::Blocks(Database& db)
    : m_db(db)
{
}

bool Blocks::hasBlocked(qint64 blockerId, qint64 blockedId)
{
    return m_db.scalar(QStringLiteral("SELECT 1 FROM contacts WHERE user_id = ? AND contact_id = ? AND blocked = 1"),
                   { blockerId, blockedId })
        .isValid();
}

bool Blocks::between(qint64 a, qint64 b)
{
    return hasBlocked(a, b) || hasBlocked(b, a);
}

QSet<qint64> Blocks::around(qint64 userId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT contact_id FROM contacts WHERE user_id = ? AND blocked = 1"
                                               " UNION SELECT user_id FROM contacts WHERE contact_id = ? AND blocked = 1"),
        { userId, userId });
    QSet<qint64> ids;
    while (query.next())
        ids.insert(query.value(0).toLongLong());
    return ids;
}

void Blocks::requireNone(qint64 userId, qint64 otherUserId)
{
    if (between(userId, otherUserId))
        throw refusal();
}

ServerError Blocks::refusal()
{
    return ServerError::forbidden(Text::Blocked);
}
