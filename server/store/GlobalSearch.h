#pragma once

// One keyword across what the user can see: their contacts, the groups they are in
// and the messages of their conversations (not revoked, not deleted by them).

#include <QJsonObject>
#include <QSqlQuery>
#include <QString>

class Database;

class GlobalSearch {
public:
    static constexpr int kMaxLimit = 50;

    explicit GlobalSearch(Database& db);

    // {"contacts": [...], "groups": [...], "messages": [...]}, all three always present.
    QJsonObject search(qint64 userId, const QString& keyword, qint64 limit);

private:
    // The user's messages whose text holds the keyword (pattern is its LIKE), newest first.
    QSqlQuery findMessages(qint64 userId, const QString& keyword, const QString& pattern, qint64 limit);

    Database& m_db;
};
