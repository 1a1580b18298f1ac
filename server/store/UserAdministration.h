#pragma once

// The administration's view of the accounts: the paged list with its search (name,
// openId, e-mail) and the account count of the statistics.

#include "store/PagedSearch.h"

#include <QJsonObject>

class Database;

class UserAdministration {
public:
    explicit UserAdministration(Database& db);

    qint64 count();
    // {"users": [...], "total": n}, oldest account first.
    QJsonObject list(const PageRequest& request);

private:
    QJsonObject userJson(qint64 userId);

    Database& m_db;
};
