#include "WebSocketManualClock.h"

#include <algorithm>

class WebSocketManualClock::Handle final : public WebSocketClock::Timer {
public:
    explicit Handle(std::shared_ptr<Entry> entry) : m_entry(std::move(entry)) {}
    ~Handle() override { m_entry->active = false; }

private:
    std::shared_ptr<Entry> m_entry;
};

std::unique_ptr<WebSocketClock::Timer> WebSocketManualClock::startTimer(qint64 intervalMs, bool repeating,
                                                                         std::function<void()> action)
{
    auto entry = std::make_shared<Entry>();
    entry->dueMs = m_now + intervalMs;
    entry->intervalMs = intervalMs;
    entry->repeating = repeating;
    entry->action = std::move(action);
    m_entries.push_back(entry);
    return std::make_unique<Handle>(entry);
}

void WebSocketManualClock::advance(qint64 ms)
{
    const qint64 target = m_now + ms;
    for (;;) {
        std::erase_if(m_entries, [](const std::shared_ptr<Entry>& e) { return !e->active; });
        auto next = std::min_element(m_entries.begin(), m_entries.end(),
                                     [](const auto& a, const auto& b) { return a->dueMs < b->dueMs; });
        if (next == m_entries.end() || (*next)->dueMs > target)
            break;
        const std::shared_ptr<Entry> entry = *next;
        m_now = entry->dueMs;
        if (entry->repeating)
            entry->dueMs += entry->intervalMs;
        else
            entry->active = false;
        // The action may start or cancel timers, this one included.
        const std::function<void()> action = entry->action;
        action();
    }
    m_now = target;
}

QList<qint64> WebSocketManualClock::armedOneShots() const
{
    QList<qint64> out;
    for (const auto& e : m_entries) {
        if (e->active && !e->repeating)
            out.append(e->intervalMs);
    }
    return out;
}
