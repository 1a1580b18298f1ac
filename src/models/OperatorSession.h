#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// One customer-service session as the operator's list reports it. Two sessions are
// the same session when their ids are equal, whatever their status.
struct OperatorSession {
    qint64 id = 0;
    std::optional<qint64> customerId {};
    std::optional<qint64> operatorId {};
    std::optional<QString> status {};
    std::optional<QString> customerName {};
    std::optional<QString> customerAvatar {};
    std::optional<QString> lastMessage {};
    std::optional<QString> createdAt {};
    std::optional<qint64> rating {};

    static OperatorSession read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const OperatorSession& a, const OperatorSession& b) { return a.id == b.id; }
};
