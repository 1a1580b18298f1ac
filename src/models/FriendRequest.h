#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// A friend request with its sender's name and avatar, which arrive either as a
// nested "fromUser" object or as flat keys.
struct FriendRequest {
    qint64 id = 0;
    qint64 fromUserId = 0;
    qint64 toUserId = 0;
    std::optional<QString> message {};
    std::optional<QString> status {}; // "pending", "accepted", "rejected"
    std::optional<QString> createdAt {};
    std::optional<QString> fromUserName {};
    std::optional<QString> fromUserAvatar {};

    static FriendRequest read(const json::Reader& reader);
    // Leaves out "createdAt".
    void write(json::Writer& writer) const;
};
