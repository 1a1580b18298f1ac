#pragma once

// One keyword across what the user can see: their contacts, the groups they are in
// and the messages of their conversations (not revoked, not deleted by them).

#include <QJsonObject>
#include <QString>

class Database;

class GlobalSearch {
public:
    static constexpr int kMaxLimit = 50;

    explicit GlobalSearch(Database& db);

    // {"contacts": [...], "groups": [...], "messages": [...]}, all three always present.
    QJsonObject search(qint64 userId, const QString& keyword, qint64 limit);

private:
    Database& m_db;
};
