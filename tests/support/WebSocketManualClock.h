#pragma once

// A clock whose time moves only when a test says so. Timers fall due in time
// order while advance() runs, each with the clock set to its due time.

#include "network/WebSocketClock.h"

#include <QList>

#include <memory>
#include <vector>

class WebSocketManualClock final : public WebSocketClock {
public:
    qint64 nowMs() const override { return m_now; }
    std::unique_ptr<Timer> startTimer(qint64 intervalMs, bool repeating, std::function<void()> action) override;

    void advance(qint64 ms);
    // Intervals of the armed one-shot timers, in the order they were started.
    QList<qint64> armedOneShots() const;

private:
    struct Entry {
        qint64 dueMs = 0;
        qint64 intervalMs = 0;
        bool repeating = false;
        bool active = true;
        std::function<void()> action;
    };
    class Handle;

    qint64 m_now = 0;
    std::vector<std::shared_ptr<Entry>> m_entries;
};
