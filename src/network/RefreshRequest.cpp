#include "network/RefreshRequest.h"

using namespace Qt::StringLiterals;

RefreshRequest RefreshRequest::read(const json::Reader& r)
{
    return { r.required<QString>("refreshToken"_L1) };
}

void RefreshRequest::write(json::Writer& w) const
{
    w.required("refreshToken"_L1, refreshToken);
}
