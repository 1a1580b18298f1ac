#include "network/TokenRenewal.h"

#include "models/Json.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QtNumeric>

#include <algorithm>
#include <utility>

TokenRenewal::TokenRenewal(std::shared_ptr<WebSocketClock> clock, std::function<qint64()> epochMs, std::function<void()> renew)
    : m_clock(std::move(clock))
    , m_epochMs(std::move(epochMs))
    , m_renew(std::move(renew))
{
}

void TokenRenewal::tokenIssued(const QString& accessToken, std::optional<qint64> expiresInSeconds)
{
    m_timer.reset();
    // The server's own figure needs no clock; a JWT's expiry is read against this machine's.
    std::optional<qint64> lifetimeMs = lifetimeFromExpiresIn(expiresInSeconds);
    qint64 floorMs = minimumIntervalMs;
    if (lifetimeMs)
        floorMs = std::clamp(*lifetimeMs / 2, shortestIntervalMs, minimumIntervalMs);
    else
        lifetimeMs = lifetimeFromExpiry(jwtExpiry(accessToken), m_epochMs());
    if (!lifetimeMs)
        return;
    qint64 delayMs = delayBeforeRenewalMs(*lifetimeMs);
    if (m_lastRenewalMs)
        delayMs = std::max(delayMs, *m_lastRenewalMs + floorMs - m_clock->nowMs());
    m_timer = m_clock->startTimer(delayMs, false, [this] {
        // The action may replace this very timer; the renewal runs after it is gone.
        const auto timer = std::exchange(m_timer, nullptr);
        m_lastRenewalMs = m_clock->nowMs();
        m_renew();
    });
}

void TokenRenewal::cancel()
{
    m_timer.reset();
}

std::optional<qint64> TokenRenewal::jwtExpiry(const QString& token)
{
    const QStringList parts = token.split(u'.');
    if (parts.size() != 3)
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(parts.at(1).toLatin1(),
                                                        QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals
                                                            | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    const QJsonDocument claims = QJsonDocument::fromJson(*decoded);
    // Whole seconds only: a fraction, or a number beyond 64 bits, is no expiry we can count from.
    return json::integerValue(claims.object().value(QLatin1StringView("exp")));
}

// The figures come from the server: every step is checked, so that no value of
// theirs can overflow, and a lifetime a timer cannot count is no lifetime at all.
std::optional<qint64> TokenRenewal::lifetimeFromExpiry(std::optional<qint64> expirySeconds, qint64 epochMs)
{
    qint64 expiryMs = 0;
    qint64 lifetimeMs = 0;
    if (!expirySeconds || *expirySeconds < 0 || qMulOverflow(*expirySeconds, qint64(1000), &expiryMs)
        || qSubOverflow(expiryMs, epochMs, &lifetimeMs) || lifetimeMs > longestLifetimeMs)
        return std::nullopt;
    // Already past: renewed at once.
    return lifetimeMs;
}

std::optional<qint64> TokenRenewal::lifetimeFromExpiresIn(std::optional<qint64> expiresInSeconds)
{
    if (!expiresInSeconds || *expiresInSeconds <= 0 || *expiresInSeconds > longestLifetimeMs / 1000)
        return std::nullopt;
    // Counted in whole seconds by the server, the lifetime may be up to one second shorter.
    return *expiresInSeconds * 1000 - 1000;
}

qint64 TokenRenewal::delayBeforeRenewalMs(qint64 lifetimeMs)
{
    if (lifetimeMs <= 0)
        return 0;
    return lifetimeMs - std::min(longestLeadMs, lifetimeMs / 5);
}
