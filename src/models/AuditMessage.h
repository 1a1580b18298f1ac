#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// One stored message as the audit list reports it; only isDeleted true counts as deleted.
struct AuditMessage {
    qint64 id = 0;
    std::optional<qint64> senderId {};
    std::optional<QString> senderName {};
    std::optional<qint64> conversationId {};
    std::optional<QString> content {};
    std::optional<QString> type {};
    std::optional<QString> createdAt {};
    std::optional<bool> isDeleted {};

    static AuditMessage read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const AuditMessage&, const AuditMessage&) = default;
};
