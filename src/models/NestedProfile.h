#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// The profile a record may carry as a nested object ("sender", "fromUser", "user")
// in place of its flat keys. Records whose profile says more extend it.
struct NestedProfile {
    std::optional<qint64> id;
    std::optional<QString> name;
    std::optional<QString> avatar;

    static NestedProfile read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
