#pragma once

// Time source and timers of the WebSocket channel. The channel counts seconds
// (heartbeat, pong time-out, reconnect back-off); a manual clock lets those
// seconds pass at once, so the behaviour can be checked without waiting.

#include <QtGlobal>

#include <functional>
#include <memory>

class WebSocketClock {
public:
    // Cancels its timer when destroyed; destroying it from inside its own action is allowed.
    class Timer {
    public:
        virtual ~Timer() = default;
    };

    virtual ~WebSocketClock() = default;

    // Monotonic milliseconds; only differences between two readings mean anything.
    virtual qint64 nowMs() const = 0;
    virtual std::unique_ptr<Timer> startTimer(qint64 intervalMs, bool repeating, std::function<void()> action) = 0;

    // Steady time and QTimers on the calling thread's event loop.
    static std::shared_ptr<WebSocketClock> system();
};
