#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// Reply of the token refresh; the token keys are snake case on the wire.
struct RefreshResponse {
    std::optional<QString> appSessionId; // the new access token
    std::optional<QString> refreshToken; // present when the server rotates it
    std::optional<QString> error;
    // Seconds the new access token stays valid, when the server says.
    std::optional<qint64> expiresIn;

    static RefreshResponse read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
