#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// One entry of the server's sensitive-word list.
struct SensitiveWord {
    qint64 id = 0;
    QString word {};
    std::optional<QString> category {};
    std::optional<QString> level {};
    std::optional<QString> replacement {};
    std::optional<bool> isActive {};

    static SensitiveWord read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const SensitiveWord&, const SensitiveWord&) = default;
};
