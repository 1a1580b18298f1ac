#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// The administration statistics: the server's counts of users, online users,
// messages and active groups.
struct AdminStats {
    std::optional<qint64> totalUsers {};
    std::optional<qint64> onlineUsers {};
    std::optional<qint64> totalMessages {};
    std::optional<qint64> activeGroups {};

    static AdminStats read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const AdminStats&, const AdminStats&) = default;
};
