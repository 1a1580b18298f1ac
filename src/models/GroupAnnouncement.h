#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// An announcement published in a group.
struct GroupAnnouncement {
    qint64 id = 0;
    qint64 conversationId = 0;
    qint64 publisherId = 0;
    QString content {};
    std::optional<bool> isPinned {};
    std::optional<QString> createdAt {};
    std::optional<QString> publisherName {};

    static GroupAnnouncement read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
