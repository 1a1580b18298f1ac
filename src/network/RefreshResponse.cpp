#include "network/RefreshResponse.h"

using namespace Qt::StringLiterals;

RefreshResponse RefreshResponse::read(const json::Reader& r)
{
    return { r.optional<QString>("app_session_id"_L1), r.optional<QString>("refresh_token"_L1), r.optional<QString>("error"_L1) };
}

void RefreshResponse::write(json::Writer& w) const
{
    w.optional("app_session_id"_L1, appSessionId);
    w.optional("refresh_token"_L1, refreshToken);
    w.optional("error"_L1, error);
}
