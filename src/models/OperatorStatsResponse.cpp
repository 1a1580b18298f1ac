#include "models/OperatorStatsResponse.h"

using namespace Qt::StringLiterals;

OperatorStatsResponse OperatorStatsResponse::read(const json::Reader& r)
{
    OperatorStatsResponse v;
    v.todayServed = r.optional<qint64>("todayServed"_L1);
    v.avgRating = r.optional<double>("avgRating"_L1);
    v.avgResponseTime = r.optional<qint64>("avgResponseTime"_L1);
    v.resolutionRate = r.optional<double>("resolutionRate"_L1);
    return v;
}

void OperatorStatsResponse::write(json::Writer& w) const
{
    w.optional("todayServed"_L1, todayServed);
    w.optional("avgRating"_L1, avgRating);
    w.optional("avgResponseTime"_L1, avgResponseTime);
    w.optional("resolutionRate"_L1, resolutionRate);
}
