#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// One login session of the signed-in user, as "user.listSessions" lists it.
struct LoginSession {
    qint64 id = 0;
    std::optional<QString> deviceName;
    std::optional<QString> platform;
    std::optional<QString> ip;
    std::optional<QString> lastActiveAt;
    std::optional<bool> isCurrent; // the session of this machine
    std::optional<QString> createdAt;

    static LoginSession read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
