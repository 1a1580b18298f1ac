#include "state/admin/OperatorStatistics.h"

#include "state/common/WholeNumber.h"

#include <cmath>
#include <limits>

namespace operatorstatistics {

namespace {

const QString none = QStringLiteral("-");

} // namespace

QString todayServedText(const std::optional<OperatorStatsResponse>& stats, qsizetype activeCount, qsizetype endedCount)
{
    if (stats && stats->todayServed)
        return QString::number(*stats->todayServed);
    return QString::number(activeCount + endedCount);
}

QString averageRatingText(const std::optional<OperatorStatsResponse>& stats, const QList<OperatorSession>& ended)
{
    double value = 0;
    if (stats && stats->avgRating) {
        value = *stats->avgRating;
    } else {
        // Summed as doubles: ratings near the 64-bit limit must not overflow.
        double sum = 0;
        int count = 0;
        for (const OperatorSession& session : ended) {
            if (session.rating) {
                sum += double(*session.rating);
                ++count;
            }
        }
        if (count == 0)
            return none;
        value = sum / count;
    }
    if (!std::isfinite(value))
        return none;
    return fixedPointText(value, 1);
}

QString responseTimeText(const std::optional<OperatorStatsResponse>& stats)
{
    if (!stats || !stats->avgResponseTime)
        return none;
    const qint64 seconds = *stats->avgResponseTime;
    if (seconds < 60)
        return QString::number(seconds) + u's';
    return QString::number(seconds / 60) + u'm';
}

QString resolutionRateText(const std::optional<OperatorStatsResponse>& stats)
{
    if (!stats || !stats->resolutionRate)
        return none;
    // Rounded to a millionth of a percent first, so that the error of the binary
    // product (0.29 * 100 = 28.999999999999996) does not cost a whole percent,
    // while real fractions (95.6) are still cut.
    const double percent = std::round(*stats->resolutionRate * 100.0 * 1e6) / 1e6;
    const double whole = std::trunc(percent);
    if (!std::isfinite(whole) || whole >= 9.2e18 || whole <= -9.2e18)
        return none;
    return QString::number(qint64(whole)) + u'%';
}

} // namespace operatorstatistics
