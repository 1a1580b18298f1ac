#pragma once

// One keyword across what the user can see: their contacts, the groups they are in
// and the messages of their conversations (not revoked, not deleted by them). Message
// texts are found through TextIndex, which it attaches to the connection.

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariantList>

class Database;

class GlobalSearch {
public:
    static constexpr int kMaxLimit = 50;

    explicit GlobalSearch(Database& db);

    // {"contacts": [...], "groups": [...], "messages": [...]}, all three always present.
    QJsonObject search(qint64 userId, const QString& keyword, qint64 limit);

private:
    // The user's messages whose text holds the keyword (pattern is its LIKE), newest first:
    // their rows of id, content, conversation, sender, sender's name, time and type.
    QList<QVariantList> findMessages(qint64 userId, const QString& keyword, const QString& pattern, qint64 limit);

    Database& m_db;
};
