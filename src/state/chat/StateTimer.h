#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

class QObject;

// One-shot timers of the state objects (typing line, search debounce). Made through
// a factory so tests can let the time pass at once instead of waiting for it.
class StateTimer {
public:
    virtual ~StateTimer() = default;
    // (Re)starts the countdown; a running countdown is replaced.
    virtual void start(qint64 intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    class Factory {
    public:
        virtual ~Factory() = default;
        // The action runs on the thread of `context` and never after it is gone.
        virtual std::unique_ptr<StateTimer> create(QObject* context, std::function<void()> action) = 0;
    };

    // Single-shot QTimers on the calling thread's event loop.
    static std::shared_ptr<Factory> systemFactory();
};
