#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// The body of a sign-in.
struct LoginRequest {
    QString username {};
    QString password {};
    // The second factor (an authenticator or backup code), sent only once the server
    // asked for it.
    std::optional<QString> code {};

    static LoginRequest read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
