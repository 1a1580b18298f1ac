#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// A comment on a moment, optionally in reply to another user.
struct MomentComment {
    qint64 id = 0;
    qint64 momentId = 0;
    qint64 userId = 0;
    QString content {};
    std::optional<qint64> replyToId {};
    std::optional<QString> createdAt {};
    std::optional<QString> userName {};
    std::optional<QString> replyToUserName {};

    static MomentComment read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
