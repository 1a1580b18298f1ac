#pragma once

// Limits how fast accounts are made: from one address a burst of `burst`, then one
// every kAddressIntervalMs; from all addresses together a burst five times as large,
// then one every kOverallIntervalMs. A registration counts as it starts, before its
// password digest is made, so a crowd sent at once meets the same limit as one sent
// one by one. An address is forgotten once its burst is whole again, so the table
// holds no more addresses than registrations were let through in that time.

#include <QHash>
#include <QString>

#include <functional>

class RegistrationThrottle {
public:
    static constexpr qint64 kAddressIntervalMs = 20 * 1000;
    static constexpr qint64 kOverallIntervalMs = 2 * 1000;

    using Clock = std::function<qint64()>;
    // The clock gives milliseconds; the default is the steady clock.
    explicit RegistrationThrottle(int burst, Clock clock = {});

    // Counts a registration and returns true, or returns false (counting nothing)
    // when this address or all of them together have used up their burst.
    bool begin(const QString& address);
    // Addresses whose registrations are still counted.
    qsizetype size() const { return m_byAddress.size(); }

private:
    // When the burst would be whole again (a "theoretical arrival time"): each
    // registration moves it one interval on; a registration is let through while it
    // lies less than the burst's worth of intervals ahead.
    struct Schedule {
        qint64 wholeAt = 0;
    };
    static bool allows(const Schedule& schedule, qint64 now, int burst, qint64 intervalMs);
    static void count(Schedule& schedule, qint64 now, qint64 intervalMs);
    void forgetWhole(qint64 now);

    int m_burst;
    Clock m_clock;
    QHash<QString, Schedule> m_byAddress;
    // The table's size after the last sweep.
    qsizetype m_sweptSize = 0;
    Schedule m_overall;
};
