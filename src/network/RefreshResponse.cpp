#include "network/RefreshResponse.h"

using namespace Qt::StringLiterals;

RefreshResponse RefreshResponse::read(const json::Reader& r)
{
    // The lifetime is a hint that other servers need not give: one of the wrong type is ignored.
    return { r.optional<QString>("app_session_id"_L1), r.optional<QString>("refresh_token"_L1), r.optional<QString>("error"_L1),
             r.lenient<qint64>("expiresIn"_L1) };
}

void RefreshResponse::write(json::Writer& w) const
{
    w.optional("app_session_id"_L1, appSessionId);
    w.optional("refresh_token"_L1, refreshToken);
    w.optional("error"_L1, error);
    w.optional("expiresIn"_L1, expiresIn);
}
