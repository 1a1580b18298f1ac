#pragma once

// Limits password guessing: at most kMaxAttempts sign-ins of one account from one
// address are checked within kWindowMs. An attempt counts from the moment it starts,
// before its password digest is made, so a crowd of guesses sent at once is held to
// the same number as guesses sent one by one; a right password takes its own attempt
// back. Registrations are not counted.

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

class SignInThrottle {
public:
    static constexpr int kMaxAttempts = 10;
    static constexpr qint64 kWindowMs = 5 * 60 * 1000;

    using Clock = std::function<qint64()>;
    // The clock gives milliseconds; the default is the steady clock.
    explicit SignInThrottle(Clock clock = {});

    // Counts an attempt and returns true, or returns false (counting nothing) when the
    // pair has used up its attempts in the window.
    bool begin(const QString& username, const QString& address);
    // The attempt begun last by this pair found the right password: it is not held against it.
    void succeeded(const QString& username, const QString& address);

private:
    static QString keyOf(const QString& username, const QString& address);
    QList<qint64>& recent(const QString& key);

    Clock m_clock;
    // Attempt times by "address\nname", oldest first.
    QHash<QString, QList<qint64>> m_attempts;
};
