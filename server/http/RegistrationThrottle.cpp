#include "http/RegistrationThrottle.h"

#include <QElapsedTimer>

#include <memory>

RegistrationThrottle::RegistrationThrottle(int burst, Clock clock)
    : m_burst(qMax(1, burst))
    , m_clock(std::move(clock))
{
    if (!m_clock) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        m_clock = [started] { return started->elapsed(); };
    }
}

bool RegistrationThrottle::allows(const Schedule& schedule, qint64 now, int burst, qint64 intervalMs)
{
    return schedule.wholeAt - now <= qint64(burst - 1) * intervalMs;
}

void RegistrationThrottle::count(Schedule& schedule, qint64 now, qint64 intervalMs)
{
    schedule.wholeAt = qMax(schedule.wholeAt, now) + intervalMs;
}

void RegistrationThrottle::forgetWhole(qint64 now)
{
    m_byAddress.removeIf([now](const QHash<QString, Schedule>::iterator entry) { return entry->wholeAt <= now; });
}

bool RegistrationThrottle::begin(const QString& address)
{
    const qint64 now = m_clock();
    // Sweeping costs a look at every address, so it waits for the table to double.
    if (m_byAddress.size() >= 64 && m_byAddress.size() >= 2 * m_sweptSize) {
        forgetWhole(now);
        m_sweptSize = m_byAddress.size();
    }
    const int overallBurst = 5 * m_burst;
    const Schedule mine = m_byAddress.value(address);
    if (!allows(mine, now, m_burst, kAddressIntervalMs) || !allows(m_overall, now, overallBurst, kOverallIntervalMs))
        return false;
    count(m_byAddress[address], now, kAddressIntervalMs);
    count(m_overall, now, kOverallIntervalMs);
    return true;
}
