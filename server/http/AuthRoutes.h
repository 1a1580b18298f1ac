#pragma once

// "/api/auth/register", "login", "me", "logout", "refresh": the REST sign-in calls.

#include "http/HttpFront.h"

class Accounts;
class LiveHub;

class AuthRoutes {
public:
    AuthRoutes(Accounts& accounts, LiveHub& hub);
    HttpReply handle(const HttpRequest& request, const QString& action);

private:
    HttpReply signedIn(const struct IssuedTokens& issued);

    Accounts& m_accounts;
    LiveHub& m_hub;
};
