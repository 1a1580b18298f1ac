#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// One user's like of a moment.
struct MomentLike {
    qint64 id = 0;
    qint64 momentId = 0;
    qint64 userId = 0;
    std::optional<QString> userName {};
    std::optional<QString> createdAt {};

    static MomentLike read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
