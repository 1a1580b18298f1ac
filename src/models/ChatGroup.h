#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// A group as the group list shows it; its messages live in conversation `conversationId`.
struct ChatGroup {
    qint64 id = 0;
    qint64 conversationId = 0;
    QString name {};
    std::optional<QString> avatar {};
    std::optional<QString> description {};
    qint64 ownerId = 0;
    std::optional<qint64> maxMembers {};
    std::optional<QString> createdAt {};
    std::optional<QString> updatedAt {};
    std::optional<qint64> memberCount {};

    static ChatGroup read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const ChatGroup& a, const ChatGroup& b) { return a.id == b.id; }
};
