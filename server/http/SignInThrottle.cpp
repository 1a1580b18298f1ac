#include "http/SignInThrottle.h"

#include <QElapsedTimer>

SignInThrottle::SignInThrottle(Clock clock)
    : m_clock(std::move(clock))
{
    if (!m_clock) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        m_clock = [started] { return started->elapsed(); };
    }
}

QList<qint64>& SignInThrottle::recent(const QString& username, const QString& address)
{
    // User names are matched without regard to case, as sign-in matches them.
    QList<qint64>& times = m_failures[address + u'\n' + username.trimmed().toCaseFolded()];
    const qint64 oldest = m_clock() - kWindowMs;
    while (!times.isEmpty() && times.first() <= oldest)
        times.removeFirst();
    return times;
}

bool SignInThrottle::isLocked(const QString& username, const QString& address)
{
    const auto key = address + u'\n' + username.trimmed().toCaseFolded();
    if (!m_failures.contains(key))
        return false;
    const bool locked = recent(username, address).size() >= kMaxFailures;
    if (m_failures.value(key).isEmpty())
        m_failures.remove(key);
    return locked;
}

void SignInThrottle::recordFailure(const QString& username, const QString& address)
{
    recent(username, address).append(m_clock());
}
