#pragma once

#include "models/Json.h"

#include <QString>

// Body of the token refresh.
struct RefreshRequest {
    QString refreshToken;

    static RefreshRequest read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
