#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// The input of "user.updateProfile": the fields the profile editor stores. An
// absent field is left unchanged on the server; an empty text clears an optional one.
struct ProfileUpdate {
    std::optional<QString> name;
    std::optional<QString> bio;
    std::optional<QString> email;
    std::optional<QString> gender;
    std::optional<QString> region;

    void write(json::Writer& writer) const;
};
