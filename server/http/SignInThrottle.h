#pragma once

// Limits password guessing: after kMaxFailures failed sign-ins of one account from
// one address within kWindowMs, that pair is refused until the oldest of those
// failures leaves the window. Registrations are not counted.

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

class SignInThrottle {
public:
    static constexpr int kMaxFailures = 10;
    static constexpr qint64 kWindowMs = 5 * 60 * 1000;

    using Clock = std::function<qint64()>;
    // The clock gives milliseconds; the default is the steady clock.
    explicit SignInThrottle(Clock clock = {});

    bool isLocked(const QString& username, const QString& address);
    void recordFailure(const QString& username, const QString& address);

private:
    QList<qint64>& recent(const QString& username, const QString& address);

    Clock m_clock;
    // Failure times by "address\nname", oldest first.
    QHash<QString, QList<qint64>> m_failures;
};
