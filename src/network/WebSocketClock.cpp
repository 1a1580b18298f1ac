#include "network/WebSocketClock.h"

#include <QElapsedTimer>
#include <QTimer>

#include <chrono>

namespace {

class SystemTimer final : public WebSocketClock::Timer {
public:
    SystemTimer(qint64 intervalMs, bool repeating, std::function<void()> action)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setSingleShot(!repeating);
        m_timer.setInterval(std::chrono::milliseconds(intervalMs));
        // Qt keeps the slot object alive while it runs, so the action may destroy this timer.
        QObject::connect(&m_timer, &QTimer::timeout, std::move(action));
        m_timer.start();
    }

private:
    QTimer m_timer;
};

class SystemClock final : public WebSocketClock {
public:
    SystemClock() { m_elapsed.start(); }

    qint64 nowMs() const override { return m_elapsed.elapsed(); }

    std::unique_ptr<Timer> startTimer(qint64 intervalMs, bool repeating, std::function<void()> action) override
    {
        return std::make_unique<SystemTimer>(intervalMs, repeating, std::move(action));
    }

private:
    QElapsedTimer m_elapsed;
};

} // namespace

std::shared_ptr<WebSocketClock> WebSocketClock::system()
{
    return std::make_shared<SystemClock>();
}
