#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// One group as the administration list reports it; isActive is read but shown nowhere.
struct AdminGroup {
    qint64 id = 0;
    std::optional<QString> name {};
    std::optional<qint64> memberCount {};
    std::optional<qint64> ownerId {};
    std::optional<QString> ownerName {};
    std::optional<QString> createdAt {};
    std::optional<bool> isActive {};

    static AdminGroup read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const AdminGroup&, const AdminGroup&) = default;
};
