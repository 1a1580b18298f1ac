#pragma once

// Renews the access token shortly before it lapses, so that an idle client keeps
// its live channel: the server closes the channel when the token it signed in
// with expires. The lifetime is the one the server gave beside the token, else read
// from the token itself when it is a JWT with an "exp" claim (which counts on this
// machine's clock agreeing with the server's); with neither (or with figures out of
// range), nothing is scheduled and the channel's refusal is what renews the token.
// Renewals never follow one another faster than a floor, whatever the figures say: a
// clock far ahead of the server's makes every JWT look expired on arrival.

#include "network/WebSocketClock.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class TokenRenewal {
public:
    // epochMs: wall-clock milliseconds since 1970, against which a JWT's "exp" is read.
    TokenRenewal(std::shared_ptr<WebSocketClock> clock, std::function<qint64()> epochMs, std::function<void()> renew);

    // A new access token: replaces whatever renewal was scheduled for the one before.
    void tokenIssued(const QString& accessToken, std::optional<qint64> expiresInSeconds);
    void cancel();
    bool isScheduled() const { return m_timer != nullptr; }

    // The "exp" claim of a JWT (seconds since 1970), when the token is one and carries it.
    static std::optional<qint64> jwtExpiry(const QString& token);
    // How long to wait before renewing a token that stays valid for lifetimeMs.
    static qint64 delayBeforeRenewalMs(qint64 lifetimeMs);

    // Renewal comes this long before expiry at most, and at least a fifth of the lifetime before it.
    static constexpr qint64 longestLeadMs = 60'000;
    // A renewal comes at least this long after the one before; for a token the server
    // says lives shorter than twice that, half its lifetime, but never under a second.
    static constexpr qint64 minimumIntervalMs = 10'000;
    static constexpr qint64 shortestIntervalMs = 1'000;
    // A longer lifetime is ignored: a timer counts milliseconds in an int, and an access
    // token that outlives this is no token the server means to be renewed on time.
    static constexpr qint64 longestLifetimeMs = 24LL * 24 * 3600 * 1000;

private:
    // Milliseconds until a token expiring at expirySeconds (since 1970) lapses, or
    // nothing when the expiry is out of range; a past expiry gives a lifetime of 0 or less.
    static std::optional<qint64> lifetimeFromExpiry(std::optional<qint64> expirySeconds, qint64 epochMs);
    static std::optional<qint64> lifetimeFromExpiresIn(std::optional<qint64> expiresInSeconds);

    std::shared_ptr<WebSocketClock> m_clock;
    std::function<qint64()> m_epochMs;
    std::function<void()> m_renew;
    std::unique_ptr<WebSocketClock::Timer> m_timer;
    // When this renewed last (the clock's time).
    std::optional<qint64> m_lastRenewalMs;
};
