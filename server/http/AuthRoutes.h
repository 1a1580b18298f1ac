#pragma once

// "/api/auth/register", "login", "me", "logout", "refresh": the REST sign-in calls.

#include "http/HttpFront.h"
#include "http/SignInThrottle.h"

#include <QObject>

class Accounts;
class LiveHub;
class TwoFactor;

class AuthRoutes {
public:
    AuthRoutes(Accounts& accounts, TwoFactor& twoFactor, LiveHub& hub);
    HttpReply handle(const HttpRequest& request, const QString& action);

private:
    HttpReply signedIn(const struct IssuedTokens& issued);

    HttpReply registerUser(const HttpRequest& request);
    HttpReply login(const HttpRequest& request);

    Accounts& m_accounts;
    TwoFactor& m_twoFactor;
    LiveHub& m_hub;
    SignInThrottle m_throttle;
    // Password work finishes after the request's handler returned; it is dropped
    // when the routes are gone by then.
    QObject m_alive;
};
