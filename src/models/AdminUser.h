#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// One account as the administration list reports it.
struct AdminUser {
    qint64 id = 0;
    std::optional<QString> name {};
    std::optional<QString> email {};
    std::optional<QString> role {};
    std::optional<QString> status {};
    std::optional<bool> isBanned {};
    std::optional<QString> createdAt {};
    std::optional<QString> lastLoginAt {};
    std::optional<QString> openId {};

    static AdminUser read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const AdminUser&, const AdminUser&) = default;
};
