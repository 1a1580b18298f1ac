#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// The operator's figures; every one may be missing, and the statistics page
// falls back where it can.
struct OperatorStatsResponse {
    std::optional<qint64> todayServed {};
    std::optional<double> avgRating {};
    std::optional<qint64> avgResponseTime {};
    std::optional<double> resolutionRate {};

    static OperatorStatsResponse read(const json::Reader& reader);
    void write(json::Writer& writer) const;

    friend bool operator==(const OperatorStatsResponse&, const OperatorStatsResponse&) = default;
};
