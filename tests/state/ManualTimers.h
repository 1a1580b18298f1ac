#pragma once

// Timers of the state objects whose time passes only when the test says so.

#include "state/chat/StateTimer.h"

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

class ManualTimers : public StateTimer::Factory {
public:
    std::unique_ptr<StateTimer> create(QObject* context, std::function<void()> action) override
    {
        auto timer = std::make_unique<Timer>(this, context, std::move(action));
        m_timers.push_back(timer.get());
        return timer;
    }

    // Lets ms pass, firing every countdown that runs out on the way, in order.
    void advance(qint64 ms)
    {
        const qint64 end = m_now + ms;
        for (;;) {
            Timer* next = nullptr;
            for (Timer* timer : m_timers) {
                if (timer->deadline && *timer->deadline <= end && (!next || *timer->deadline < *next->deadline))
                    next = timer;
            }
            if (!next)
                break;
            m_now = *next->deadline;
            next->deadline.reset();
            if (next->context)
                next->action();
        }
        m_now = end;
    }

private:
    struct Timer final : StateTimer {
        Timer(ManualTimers* owner, QObject* context, std::function<void()> action)
            : owner(owner), context(context), action(std::move(action)) {}
        ~Timer() override { std::erase(owner->m_timers, this); }
        void start(qint64 intervalMs) override { deadline = owner->m_now + intervalMs; }
        void stop() override { deadline.reset(); }
        bool isActive() const override { return deadline.has_value(); }

        ManualTimers* owner;
        QPointer<QObject> context;
        std::function<void()> action;
        std::optional<qint64> deadline;
    };

    qint64 m_now = 0;
    std::vector<Timer*> m_timers;
};
