#include "network/TokenRenewal.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

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
    std::optional<qint64> lifetimeMs;
    if (const std::optional<qint64> expiry = jwtExpiry(accessToken))
        lifetimeMs = *expiry * 1000 - m_epochMs();
    else if (expiresInSeconds && *expiresInSeconds > 0)
        // Counted in whole seconds by the server, the lifetime may be up to one second shorter.
        lifetimeMs = *expiresInSeconds * 1000 - 1000;
    if (!lifetimeMs)
        return;
    m_timer = m_clock->startTimer(delayBeforeRenewalMs(*lifetimeMs), false, [this] {
        // The action may replace this very timer; the renewal runs after it is gone.
        const auto timer = std::exchange(m_timer, nullptr);
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
    const QJsonValue exp = claims.object().value(QLatin1StringView("exp"));
    if (!exp.isDouble())
        return std::nullopt;
    return qint64(exp.toDouble());
}

qint64 TokenRenewal::delayBeforeRenewalMs(qint64 lifetimeMs)
{
    if (lifetimeMs <= 0)
        return 0;
    return lifetimeMs - std::min(longestLeadMs, lifetimeMs / 5);
}
