#pragma once

// What the server offers rather than what users made: the gift catalogue, the VIP
// levels and each user's VIP membership. The catalogue rows come with the schema.

#include <QJsonArray>
#include <QJsonObject>

class Database;

class Catalogue {
public:
    explicit Catalogue(Database& db);

    QJsonArray gifts();
    QJsonArray vipLevels();
    // {"isVip": false} unless the user holds a membership that has not expired.
    QJsonObject vipStatus(qint64 userId);

private:
    Database& m_db;
};
