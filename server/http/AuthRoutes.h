#pragma once

// "/api/auth/register", "login", "me", "logout", "refresh": the REST sign-in calls.

#include "http/HttpFront.h"
#include "http/RegistrationThrottle.h"
#include "http/SignInThrottle.h"

#include <QObject>
#include <QThreadPool>

class Accounts;
class LiveHub;
class TwoFactor;

class AuthRoutes {
public:
    // Password digests of new accounts run on a few threads of their own, so that a
    // crowd of registrations never stands between anybody and signing in.
    static constexpr int kRegistrationThreads = 2;

    AuthRoutes(Accounts& accounts, TwoFactor& twoFactor, LiveHub& hub, int registrationBurst);
    // Digests not begun yet are dropped with their answers.
    ~AuthRoutes();
    HttpReply handle(const HttpRequest& request, const QString& action);

private:
    HttpReply signedIn(const struct IssuedTokens& issued);

    HttpReply registerUser(const HttpRequest& request);
    HttpReply login(const HttpRequest& request);

    Accounts& m_accounts;
    TwoFactor& m_twoFactor;
    LiveHub& m_hub;
    SignInThrottle m_throttle;
    RegistrationThrottle m_registrations;
    QThreadPool m_registrationDigests;
    // Password work finishes after the request's handler returned; it is dropped
    // when the routes are gone by then.
    QObject m_alive;
};
