#include "models/LoginRequest.h"

using namespace Qt::StringLiterals;

LoginRequest LoginRequest::read(const json::Reader& r)
{
    LoginRequest l;
    l.username = r.required<QString>("username"_L1);
    l.password = r.required<QString>("password"_L1);
    l.code = r.optional<QString>("code"_L1);
    return l;
}

void LoginRequest::write(json::Writer& w) const
{
    w.required("username"_L1, username);
    w.required("password"_L1, password);
    w.optional("code"_L1, code);
}
