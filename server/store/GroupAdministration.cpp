#include "store/GroupAdministration.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "WireTime.h"

#include <QJsonArray>
#include <QSqlQuery>

GroupAdministration::GroupAdministration(Database& db)
    : m_db(db)
{
}

qint64 GroupAdministration::activeCount()
{
    return m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM chat_groups WHERE is_active = 1")).toLongLong();
}

QJsonObject GroupAdministration::list(const PageRequest& request)
{
    const PageOfIds page = pageOfMatches(m_db, QStringLiteral("SELECT id, name FROM chat_groups ORDER BY id"), request);
    QJsonArray groups;
    for (const qint64 id : page.ids)
        groups.append(groupJson(id));
    return { { QStringLiteral("groups"), groups }, { QStringLiteral("total"), page.total } };
}

QJsonObject GroupAdministration::groupJson(qint64 groupId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT g.id, g.name, g.owner_id, u.name, g.created_at, g.is_active,"
                                               " (SELECT COUNT(*) FROM conversation_members m WHERE m.conversation_id = g.conversation_id)"
                                               " FROM chat_groups g LEFT JOIN users u ON u.id = g.owner_id WHERE g.id = ?"),
        { groupId });
    QJsonObject group;
    if (!query.next())
        return group;
    group.insert(QLatin1StringView("id"), query.value(0).toLongLong());
    group.insert(QLatin1StringView("name"), query.value(1).toString());
    group.insert(QLatin1StringView("memberCount"), query.value(6).toLongLong());
    group.insert(QLatin1StringView("ownerId"), query.value(2).toLongLong());
    rowjson::putText(group, QLatin1StringView("ownerName"), query.value(3));
    group.insert(QLatin1StringView("createdAt"), query.value(4).toString());
    group.insert(QLatin1StringView("isActive"), query.value(5).toInt() != 0);
    return group;
}

std::optional<qint64> GroupAdministration::dissolve(qint64 groupId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT conversation_id, is_active FROM chat_groups WHERE id = ?"), { groupId });
    if (!query.next())
        throw ServerError::notFound(Text::GroupNotFound);
    if (query.value(1).toInt() == 0)
        return std::nullopt;
    const qint64 conversationId = query.value(0).toLongLong();
    const QString now = wiretime::now();
    m_db.exec(QStringLiteral("UPDATE chat_groups SET is_active = 0, dissolved_at = ?, updated_at = ? WHERE id = ?"), { now, now, groupId });
    return conversationId;
}
