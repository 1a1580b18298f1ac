#pragma once

#include "models/Json.h"

#include <QString>

// The body of a sign-in.
struct LoginRequest {
    QString username {};
    QString password {};

    static LoginRequest read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
