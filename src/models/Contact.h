#pragma once

#include "models/Json.h"

#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One entry of the user's contact list: the relation and the other user's public
// profile, which arrives either as a nested "user" object or as flat keys.
struct Contact {
    qint64 id = 0;
    qint64 userId = 0;
    qint64 contactId = 0; // the other user's id
    std::optional<QString> nickname {};
    std::optional<QStringList> tags {};
    std::optional<bool> blocked {};
    std::optional<QString> createdAt {};
    std::optional<QString> name {};
    std::optional<QString> avatar {};
    std::optional<bool> online {};
    std::optional<QString> bio {};
    std::optional<QString> email {};
    std::optional<QString> openId {};

    static Contact read(const json::Reader& reader);
    // Writes only the ids, nickname, name, avatar and online flag.
    void write(json::Writer& writer) const;

    friend bool operator==(const Contact& a, const Contact& b) { return a.id == b.id; }
    friend size_t qHash(const Contact& contact, size_t seed = 0) noexcept { return qHash(contact.id, seed); }
};
