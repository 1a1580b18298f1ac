#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// One member of a group, identified by `userId`. Name, avatar and online flag arrive
// either as a nested "user" object or as flat keys.
struct GroupMember {
    qint64 userId = 0;
    std::optional<QString> name {};
    std::optional<QString> avatar {};
    std::optional<QString> role {}; // "owner" or "member"
    std::optional<bool> online {};
    std::optional<QString> joinedAt {};

    static GroupMember read(const json::Reader& reader);
    // Leaves out "joinedAt".
    void write(json::Writer& writer) const;
};
