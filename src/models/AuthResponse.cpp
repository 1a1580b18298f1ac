#include "models/AuthResponse.h"

using namespace Qt::StringLiterals;

AuthResponse AuthResponse::read(const json::Reader& r)
{
    AuthResponse a;
    a.appSessionId = r.optional<QString>("app_session_id"_L1);
    a.refreshToken = r.optional<QString>("refresh_token"_L1);
    a.user = r.optional<User>("user"_L1);
    a.error = r.optional<QString>("error"_L1);
    // The lifetime is a hint that other servers need not give: one of the wrong type is ignored.
    a.expiresIn = r.lenient<qint64>("expiresIn"_L1);
    return a;
}

void AuthResponse::write(json::Writer& w) const
{
    w.optional("app_session_id"_L1, appSessionId);
    w.optional("refresh_token"_L1, refreshToken);
    w.optional("user"_L1, user);
    w.optional("error"_L1, error);
    w.optional("expiresIn"_L1, expiresIn);
}
