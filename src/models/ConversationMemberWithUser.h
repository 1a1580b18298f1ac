#pragma once

#include "models/Json.h"
#include "models/User.h"

#include <QString>

#include <optional>

// A conversation member together with its user profile.
struct ConversationMemberWithUser {
    qint64 conversationId = 0;
    qint64 userId = 0;
    std::optional<QString> role {};
    std::optional<User> user {};

    static ConversationMemberWithUser read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
