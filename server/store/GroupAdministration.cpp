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
    const PageOfIds page = pageOfMatches(m_db, QStringLiteral("SELECT id, name FROM chat_groups WHERE is_active = 1 ORDER BY id"), request);
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

qint64 GroupAdministration::dissolve(qint64 groupId)
{
    const QVariant conversationId = m_db.scalar(QStringLiteral("SELECT conversation_id FROM chat_groups WHERE id = ?"), { groupId });
    if (!conversationId.isValid())
        throw ServerError::notFound(Text::GroupNotFound);
    // One statement decides, so two administrators dissolving at once cannot both succeed.
    const QString now = wiretime::now();
    if (m_db.run(QStringLiteral("UPDATE chat_groups SET is_active = 0, dissolved_at = ?, updated_at = ? WHERE id = ? AND is_active = 1"),
            { now, now, groupId })
        == 0)
        throw ServerError::conflict(Text::GroupDissolved);
    return conversationId.toLongLong();
}
