#pragma once

// The system configuration an administrator edits: the largest group, how long
// messages are kept, screenshot protection and whether new users may register.

#include <QJsonObject>

class Database;
namespace json {
class Reader;
}

class SystemSettings {
public:
    static constexpr qint64 kMinGroupMembers = 2;
    static constexpr qint64 kMaxGroupMembers = 10000;
    static constexpr qint64 kMinRetentionDays = 1;
    static constexpr qint64 kMaxRetentionDays = 36500;

    explicit SystemSettings(Database& db);

    // The SystemConfig record, every key present.
    QJsonObject configJson();
    // Changes the keys present in the input and leaves the others; a value out of range
    // is a ServerError 400 and changes nothing at all.
    void update(const json::Reader& input);

    qint64 maxGroupMembers();
    bool allowRegistration();

private:
    Database& m_db;
};
