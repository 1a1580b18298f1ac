#pragma once

// Runs slow, self-contained work (password digests) on Qt's thread pool, so the event
// loop keeps serving sockets meanwhile, and hands the result back on the thread of a
// context object.

#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <utility>

namespace offthread {

// done runs on context's thread unless context is gone by then. work must not touch
// anything the event loop's thread uses (no database, no sockets). It runs on pool,
// whose threads it shares with the work of its kind.
template <typename Result>
void run(QThreadPool* pool, QObject* context, std::function<Result()> work, std::function<void(Result)> done)
{
    QPointer<QObject> guard(context);
    pool->start([guard, work = std::move(work), done = std::move(done)]() mutable {
        Result result = work();
        if (!guard)
            return;
        QMetaObject::invokeMethod(guard.data(), [guard, done = std::move(done), result = std::move(result)]() mutable {
            if (guard)
                done(std::move(result));
        }, Qt::QueuedConnection);
    });
}

// Starts every thread pool may have, now, and keeps them for good. A thread takes a
// descriptor as it starts (its event dispatcher's wake-up pipe): one started on demand
// while a crowd of connections holds every descriptor cannot have it, and Qt then ends
// the whole process. For pools made before the server listens.
void startEveryThread(QThreadPool& pool);

// On the process's shared pool.
template <typename Result>
void run(QObject* context, std::function<Result()> work, std::function<void(Result)> done)
{
    run<Result>(QThreadPool::globalInstance(), context, std::move(work), std::move(done));
}

} // namespace offthread
