#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// A person's profile as the server returns it; also the form in which the
// signed-in user is cached between launches.
struct User {
    qint64 id = 0;
    QString openId {};
    QString name {};
    std::optional<QString> email {};
    std::optional<QString> avatar {};
    std::optional<QString> bio {};
    std::optional<QString> loginMethod {};
    std::optional<QString> role {};
    std::optional<bool> online {};
    std::optional<QString> lastOnlineAt {};
    std::optional<bool> totpEnabled {};
    std::optional<QString> gender {};
    std::optional<QString> region {};
    std::optional<QString> language {};
    std::optional<QString> createdAt {};
    std::optional<QString> updatedAt {};
    std::optional<QString> lastSignedIn {};

    static User read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const User& a, const User& b) { return a.id == b.id; }
};
