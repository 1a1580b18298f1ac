#pragma once

// Messages a user saved, each with the full message. A favourite of a conversation
// the user has left or whose history they deleted is no longer listed.

#include <QJsonArray>
#include <QString>

#include <optional>

class Database;
class Messages;

class Favorites {
public:
    static constexpr int kMaxPageSize = 200;

    Favorites(Database& db, Messages& messages);

    // Newest first.
    QJsonArray list(qint64 userId, qint64 limit, qint64 offset);
    // Removing a message that is not a favourite changes nothing.
    void remove(qint64 userId, qint64 messageId);
    // Saves a message the user can see; saving it again changes nothing.
    void add(qint64 userId, qint64 messageId, const std::optional<QString>& note);

private:
    Database& m_db;
    Messages& m_messages;
};
