#pragma once

// Custom roles inside a group (name, colour, permission flags) and which members
// hold them. Only the group's owner changes roles; a user outside the group does
// not learn that it exists.

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

class Database;

class GroupRoles {
public:
    static constexpr int kMaxName = 32;
    static constexpr int kMaxRolesPerGroup = 50;

    explicit GroupRoles(Database& db);

    // The permission flags a role may carry.
    static const QStringList& permissionKeys();

    QJsonObject create(qint64 userId, qint64 groupId, const QString& name, const std::optional<QString>& color,
        const QJsonObject& permissions);
    void update(qint64 userId, qint64 roleId, qint64 groupId, const std::optional<QString>& name,
        const std::optional<QString>& color, const std::optional<QJsonObject>& permissions);
    void assign(qint64 userId, qint64 groupId, qint64 targetUserId, qint64 roleId);
    // Taking away a role the member does not hold changes nothing.
    void remove(qint64 userId, qint64 groupId, qint64 targetUserId, qint64 roleId);
    QJsonObject roleJson(qint64 roleId);

private:
    // Returns the group's conversation; 404 unless the user is in the group, 403 unless its owner.
    qint64 requireOwner(qint64 groupId, qint64 userId);
    void requireRole(qint64 roleId, qint64 groupId);
    static QString permissionsText(const QJsonObject& permissions);
    static QString validColor(const QString& color);

    Database& m_db;
};
