#include "models/RegisterRequest.h"

using namespace Qt::StringLiterals;

RegisterRequest RegisterRequest::read(const json::Reader& r)
{
    RegisterRequest q;
    q.username = r.required<QString>("username"_L1);
    q.password = r.required<QString>("password"_L1);
    q.nickname = r.optional<QString>("nickname"_L1);
    q.email = r.optional<QString>("email"_L1);
    q.inviteCode = r.optional<QString>("inviteCode"_L1);
    return q;
}

void RegisterRequest::write(json::Writer& w) const
{
    w.required("username"_L1, username);
    w.required("password"_L1, password);
    w.optional("nickname"_L1, nickname);
    w.optional("email"_L1, email);
    w.optional("inviteCode"_L1, inviteCode);
}
