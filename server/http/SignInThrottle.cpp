#include "http/SignInThrottle.h"

#include <QCryptographicHash>
#include <QElapsedTimer>

#include <algorithm>
#include <limits>

SignInThrottle::SignInThrottle(Clock clock)
    : m_clock(std::move(clock))
{
    if (!m_clock) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        m_clock = [started] { return started->elapsed(); };
    }
}

QByteArray SignInThrottle::keyOf(const QString& username, const QString& address)
{
    // User names are matched without regard to case, as sign-in matches them.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(address.toUtf8());
    hash.addData(QByteArrayView("\n"));
    hash.addData(username.trimmed().toCaseFolded().toUtf8());
    return hash.result();
}

bool SignInThrottle::stillCounted(Entry& entry, qint64 now) const
{
    const auto left = std::find_if(entry.times.cbegin(), entry.times.cend(), [oldest = now - kWindowMs](qint64 at) { return at > oldest; });
    entry.times.remove(0, left - entry.times.cbegin());
    return !entry.times.isEmpty();
}

QHash<QByteArray, SignInThrottle::Entry>::iterator SignInThrottle::remove(QHash<QByteArray, Entry>::iterator entry)
{
    const auto names = m_namesByAddress.find(entry->address);
    if (names != m_namesByAddress.end() && --*names <= 0)
        m_namesByAddress.erase(names);
    return m_entries.erase(entry);
}

void SignInThrottle::sweep(qint64 now)
{
    if (now < m_nextExpiry)
        return;
    m_nextExpiry = std::numeric_limits<qint64>::max();
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (!stillCounted(*it, now)) {
            it = remove(it);
            continue;
        }
        m_nextExpiry = qMin(m_nextExpiry, it->times.last() + kWindowMs);
        ++it;
    }
}

void SignInThrottle::evictLeastRecent()
{
    const auto oldest = std::min_element(m_entries.begin(), m_entries.end(),
        [](const Entry& a, const Entry& b) { return a.times.last() < b.times.last(); });
    if (oldest != m_entries.end())
        remove(oldest);
}

bool SignInThrottle::begin(const QString& username, const QString& address)
{
    const qint64 now = m_clock();
    sweep(now);
    const QByteArray key = keyOf(username, address);
    auto found = m_entries.find(key);
    if (found != m_entries.end() && !stillCounted(*found, now)) {
        remove(found);
        found = m_entries.end();
    }
    if (found == m_entries.end()) {
        if (m_namesByAddress.value(address) >= kMaxNamesPerAddress)
            return false;
        if (m_entries.size() >= kMaxEntries)
            evictLeastRecent();
        found = m_entries.insert(key, Entry { address, {} });
        ++m_namesByAddress[address];
    }
    if (found->times.size() >= kMaxAttempts)
        return false;
    found->times.append(now);
    m_nextExpiry = qMin(m_nextExpiry, now + kWindowMs);
    return true;
}

void SignInThrottle::succeeded(const QString& username, const QString& address)
{
    const auto found = m_entries.find(keyOf(username, address));
    if (found == m_entries.end())
        return;
    if (stillCounted(*found, m_clock()))
        found->times.removeLast();
    if (found->times.isEmpty())
        remove(found);
    else
        m_nextExpiry = qMin(m_nextExpiry, found->times.last() + kWindowMs);
}
