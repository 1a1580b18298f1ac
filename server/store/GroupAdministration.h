#pragma once

// The administration's view of the chat groups: the paged list with its search by
// name, the active-group count of the statistics, and dissolving a group.

#include "store/PagedSearch.h"

#include <QJsonObject>


class Database;

class GroupAdministration {
public:
    explicit GroupAdministration(Database& db);

    qint64 activeCount();
    // {"groups": [...], "total": n}, oldest group first; dissolved ones are gone.
    QJsonObject list(const PageRequest& request);
    // Marks the group inactive and returns its conversation. Throws ServerError 404
    // for an unknown group, 409 for one dissolved already.
    qint64 dissolve(qint64 groupId);

private:
    QJsonObject groupJson(qint64 groupId);

    Database& m_db;
};
