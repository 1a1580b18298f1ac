#pragma once

#include "models/Json.h"
#include "models/User.h"

#include <QString>

#include <optional>

// The reply of sign-in, registration and the current-user call. The two token
// keys are snake case on the wire.
struct AuthResponse {
    std::optional<QString> appSessionId {};
    std::optional<QString> refreshToken {};
    std::optional<User> user {};
    std::optional<QString> error {};
    // Seconds the access token stays valid, when the server says.
    std::optional<qint64> expiresIn {};

    static AuthResponse read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
