#pragma once

#include "models/Json.h"
#include "models/WSPayload.h"

#include <QString>

#include <optional>

// One WebSocket text frame: {"type": ..., "payload": {...}}.
struct WSMessage {
    QString type {};
    std::optional<WSPayload> payload {};

    static WSMessage read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
