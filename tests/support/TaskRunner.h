#pragma once

// Runs a QCoro task to completion inside a nested event loop and hands back its
// value or rethrows its exception. QCoro::waitFor() hangs when the task throws.

#include "Patience.h"

#include <QCoroTask>
#include <QEventLoop>
#include <QTimer>

#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>

namespace testsupport {

class TaskTimeout : public std::runtime_error {
public:
    TaskTimeout() : std::runtime_error("task did not finish in time") {}
};

namespace detail {

template <typename T>
struct TaskState {
    std::conditional_t<std::is_void_v<T>, bool, std::optional<T>> value {};
    std::exception_ptr error;
    bool done = false;
    QEventLoop* loop = nullptr;
};

// State is shared so a task that outlives a timed-out wait writes into live memory.
template <typename T>
QCoro::Task<> drive(QCoro::Task<T> task, std::shared_ptr<TaskState<T>> state)
{
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
        } else {
            state->value = co_await std::move(task);
        }
    } catch (...) {
        state->error = std::current_exception();
    }
    state->done = true;
    if (state->loop)
        state->loop->quit();
}

} // namespace detail

template <typename T>
T runTask(QCoro::Task<T> task, int timeoutMs = kPatienceMs)
{
    auto state = std::make_shared<detail::TaskState<T>>();
    auto driver = detail::drive(std::move(task), state);
    if (!state->done) {
        QEventLoop loop;
        state->loop = &loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        state->loop = nullptr;
    }
    if (!state->done)
        throw TaskTimeout();
    if (state->error)
        std::rethrow_exception(state->error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*state->value);
}

} // namespace testsupport
