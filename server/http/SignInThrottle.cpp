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

QString SignInThrottle::keyOf(const QString& username, const QString& address)
{
    // User names are matched without regard to case, as sign-in matches them.
    return address + u'\n' + username.trimmed().toCaseFolded();
}

QList<qint64>& SignInThrottle::recent(const QString& key)
{
    QList<qint64>& times = m_attempts[key];
    const qint64 oldest = m_clock() - kWindowMs;
    while (!times.isEmpty() && times.first() <= oldest)
        times.removeFirst();
    return times;
}

bool SignInThrottle::begin(const QString& username, const QString& address)
{
    QList<qint64>& times = recent(keyOf(username, address));
    if (times.size() >= kMaxAttempts)
        return false;
    times.append(m_clock());
    return true;
}

void SignInThrottle::succeeded(const QString& username, const QString& address)
{
    const QString key = keyOf(username, address);
    QList<qint64>& times = recent(key);
    if (!times.isEmpty())
        times.removeLast();
    if (times.isEmpty())
        m_attempts.remove(key);
}
