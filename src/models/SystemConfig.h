#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// The server's system settings: read by the configuration screen and sent back whole
// (a field without a value leaves its key out, so the server keeps it).
struct SystemConfig {
    std::optional<qint64> maxGroupMembers {};
    std::optional<qint64> messageRetentionDays {};
    std::optional<bool> screenshotProtection {};
    std::optional<bool> allowRegistration {};

    static SystemConfig read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const SystemConfig&, const SystemConfig&) = default;
};
