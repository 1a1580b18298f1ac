#pragma once

// Finding other users by name or open id, and reports about users. Search results
// carry only the public profile: no e-mail, no sign-in data.

#include "live/Presence.h"

#include <QJsonArray>
#include <QString>

#include <optional>

class Database;

class UserDirectory {
public:
    static constexpr int kMaxKeyword = 64;
    static constexpr int kMaxResults = 20;
    static constexpr int kMaxReason = 100;
    static constexpr int kMaxDescription = 1000;

    explicit UserDirectory(Database& db);

    // Users other than the searcher whose display name or open id contains the keyword.
    QJsonArray search(qint64 searcherId, const QString& keyword, const Presence& online);
    void report(qint64 reporterId, qint64 userId, const QString& reason, const std::optional<QString>& description);

    // The keyword as a LIKE pattern that matches it literally anywhere ('\' escapes).
    static QString containsPattern(const QString& keyword);

private:
    Database& m_db;
};
