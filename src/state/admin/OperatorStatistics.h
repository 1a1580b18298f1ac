#pragma once

#include "models/OperatorSession.h"
#include "models/OperatorStatsResponse.h"

#include <QList>
#include <QString>

#include <optional>

// The four figures of the operator's statistics page, from the statistics record
// where it has them and otherwise from the console's own session lists.
namespace operatorstatistics {

// The record's count, else the active plus the ended sessions.
QString todayServedText(const std::optional<OperatorStatsResponse>& stats, qsizetype activeCount, qsizetype endedCount);
// The record's average, else the mean of the ended sessions' ratings, "%.1f";
// "-" without any rating or for a value that is not finite.
QString averageRatingText(const std::optional<OperatorStatsResponse>& stats, const QList<OperatorSession>& ended);
// Seconds below a minute as "59s", whole minutes from there ("1m" for 60 to 119).
QString responseTimeText(const std::optional<OperatorStatsResponse>& stats);
// The percentage with its fraction dropped ("95%" for 0.956); 0.29 is "29%", not
// the "28%" that its binary product with 100 would truncate to.
QString resolutionRateText(const std::optional<OperatorStatsResponse>& stats);

} // namespace operatorstatistics
