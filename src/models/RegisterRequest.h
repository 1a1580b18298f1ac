#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// The body of a registration.
struct RegisterRequest {
    QString username {};
    QString password {};
    std::optional<QString> nickname {};
    std::optional<QString> email {};
    std::optional<QString> inviteCode {};

    static RegisterRequest read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
