#include "store/GroupRoles.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/TextRules.h"
#include "WireTime.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QSqlQuery>

GroupRoles::GroupRoles(Database& db)
    : m_db(db)
{
}

const QStringList& GroupRoles::permissionKeys()
{
    static const QStringList keys { QStringLiteral("canSendMessage"), QStringLiteral("canInvite"), QStringLiteral("canPin"),
        QStringLiteral("canAnnounce"), QStringLiteral("canManageMembers") };
    return keys;
}

QString GroupRoles::permissionsText(const QJsonObject& permissions)
{
    for (auto it = permissions.begin(); it != permissions.end(); ++it) {
        if (!permissionKeys().contains(it.key()))
            throw ServerError::badRequest(Text::UnknownPermission, it.key().left(40));
        if (!it.value().isBool())
            throw ServerError::badRequest(Text::PermissionNotBoolean, it.key());
    }
    return QString::fromUtf8(QJsonDocument(permissions).toJson(QJsonDocument::Compact));
}

QString GroupRoles::validColor(const QString& color)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9A-Fa-f]{6}([0-9A-Fa-f]{2})?$"));
    if (!pattern.match(color).hasMatch())
        throw ServerError::badRequest(Text::ColourFormat);
    return color;
}

qint64 GroupRoles::requireOwner(qint64 groupId, qint64 userId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT g.conversation_id, g.owner_id FROM chat_groups g"
                                               " JOIN conversation_members m ON m.conversation_id = g.conversation_id AND m.user_id = ?"
                                               " WHERE g.id = ?"),
        { userId, groupId });
    if (!query.next())
        throw ServerError::notFound(Text::GroupNotFound);
    if (query.value(1).toLongLong() != userId)
        throw ServerError::forbidden(Text::OwnerOnlyRoles);
    return query.value(0).toLongLong();
}

void GroupRoles::requireRole(qint64 roleId, qint64 groupId)
{
    if (!m_db.scalar(QStringLiteral("SELECT 1 FROM group_roles WHERE id = ? AND group_id = ?"), { roleId, groupId }).isValid())
        throw ServerError::notFound(Text::RoleNotFound);
}

QJsonObject GroupRoles::roleJson(qint64 roleId)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, group_id, name, color, permissions FROM group_roles WHERE id = ?"), { roleId });
    QJsonObject role;
    if (!query.next())
        return role;
    role.insert(QLatin1StringView("id"), query.value(0).toLongLong());
    role.insert(QLatin1StringView("groupId"), query.value(1).toLongLong());
    role.insert(QLatin1StringView("name"), query.value(2).toString());
    rowjson::putText(role, QLatin1StringView("color"), query.value(3));
    role.insert(QLatin1StringView("permissions"), QJsonDocument::fromJson(query.value(4).toByteArray()).object());
    return role;
}

QJsonObject GroupRoles::create(qint64 userId, qint64 groupId, const QString& rawName, const std::optional<QString>& color,
    const QJsonObject& permissions)
{
    requireOwner(groupId, userId);
    const QString name = textrules::required(rawName, kMaxName, Text::NounRoleName);
    const QString flags = permissionsText(permissions);
    const QVariant colorValue = color ? QVariant(validColor(*color)) : QVariant();
    Database::Transaction transaction(m_db);
    if (m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM group_roles WHERE group_id = ?"), { groupId }).toLongLong() >= kMaxRolesPerGroup)
        throw ServerError::badRequest(Text::TooManyRoles, kMaxRolesPerGroup);
    const QString now = wiretime::now();
    const qint64 id = m_db.insert(QStringLiteral("INSERT INTO group_roles (group_id, name, color, permissions, created_at, updated_at)"
                                                 " VALUES (?, ?, ?, ?, ?, ?)"),
        { groupId, name, colorValue, flags, now, now });
    transaction.commit();
    return roleJson(id);
}

void GroupRoles::update(qint64 userId, qint64 roleId, qint64 groupId, const std::optional<QString>& name,
    const std::optional<QString>& color, const std::optional<QJsonObject>& permissions)
{
    requireOwner(groupId, userId);
    requireRole(roleId, groupId);
    // Everything is checked before anything is written: a bad field changes nothing.
    const auto newName = name ? std::optional(textrules::required(*name, kMaxName, Text::NounRoleName)) : std::nullopt;
    const auto newColor = color ? std::optional(validColor(*color)) : std::nullopt;
    const auto newFlags = permissions ? std::optional(permissionsText(*permissions)) : std::nullopt;
    Database::Transaction transaction(m_db);
    const QString now = wiretime::now();
    if (newName)
        m_db.exec(QStringLiteral("UPDATE group_roles SET name = ?, updated_at = ? WHERE id = ?"), { *newName, now, roleId });
    if (newColor)
        m_db.exec(QStringLiteral("UPDATE group_roles SET color = ?, updated_at = ? WHERE id = ?"), { *newColor, now, roleId });
    if (newFlags)
        m_db.exec(QStringLiteral("UPDATE group_roles SET permissions = ?, updated_at = ? WHERE id = ?"), { *newFlags, now, roleId });
    transaction.commit();
}

void GroupRoles::assign(qint64 userId, qint64 groupId, qint64 targetUserId, qint64 roleId)
{
    const qint64 conversationId = requireOwner(groupId, userId);
    requireRole(roleId, groupId);
    if (!m_db.scalar(QStringLiteral("SELECT 1 FROM conversation_members WHERE conversation_id = ? AND user_id = ?"),
                 { conversationId, targetUserId })
            .isValid())
        throw ServerError::notFound(Text::NotGroupMember);
    m_db.exec(QStringLiteral("INSERT OR IGNORE INTO group_role_members (role_id, user_id, assigned_at) VALUES (?, ?, ?)"),
        { roleId, targetUserId, wiretime::now() });
}

void GroupRoles::remove(qint64 userId, qint64 groupId, qint64 targetUserId, qint64 roleId)
{
    requireOwner(groupId, userId);
    requireRole(roleId, groupId);
    m_db.exec(QStringLiteral("DELETE FROM group_role_members WHERE role_id = ? AND user_id = ?"), { roleId, targetUserId });
}
