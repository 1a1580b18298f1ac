#pragma once

// Limits password guessing: at most kMaxAttempts sign-ins of one account from one
// address are checked within kWindowMs. An attempt counts from the moment it starts,
// before its password digest is made, so a crowd of guesses sent at once is held to
// the same number as guesses sent one by one; a right password takes its own attempt
// back. Registrations are not counted.
//
// The table is bounded whatever names are tried: an entry is keyed by a digest of its
// address and name, goes once its window has passed, and one address holds at most
// kMaxNamesPerAddress of them (further names from that address alone are refused
// until its entries expire). Past kMaxEntries in all, the entry attempted least
// recently makes room, so filling the table locks nobody out.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <limits>

class SignInThrottle {
public:
    static constexpr int kMaxAttempts = 10;
    static constexpr qint64 kWindowMs = 5 * 60 * 1000;
    static constexpr int kMaxNamesPerAddress = 100;
    static constexpr int kMaxEntries = 20000;

    using Clock = std::function<qint64()>;
    // The clock gives milliseconds; the default is the steady clock.
    explicit SignInThrottle(Clock clock = {});

    // Counts an attempt and returns true, or returns false (counting nothing) when the
    // pair has used up its attempts in the window, or the address has tried too many names.
    bool begin(const QString& username, const QString& address);
    // The attempt begun last by this pair found the right password: it is not held against it.
    void succeeded(const QString& username, const QString& address);
    // Pairs with attempts still counted.
    qsizetype size() const { return m_entries.size(); }

private:
    struct Entry {
        QString address;
        // Attempt times, oldest first.
        QList<qint64> times;
    };

    static QByteArray keyOf(const QString& username, const QString& address);
    // Drops the attempts that left the window; false when none is left.
    bool stillCounted(Entry& entry, qint64 now) const;
    // Returns the entry after it.
    QHash<QByteArray, Entry>::iterator remove(QHash<QByteArray, Entry>::iterator entry);
    // Once the first pair's attempts have all left the window, forgets every such pair.
    void sweep(qint64 now);
    void evictLeastRecent();

    Clock m_clock;
    QHash<QByteArray, Entry> m_entries;
    QHash<QString, int> m_namesByAddress;
    // When the next pair's last attempt leaves the window (or later).
    qint64 m_nextExpiry = std::numeric_limits<qint64>::max();
};
