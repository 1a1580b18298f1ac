#pragma once

// What the benches of the client's screens measure with: the calling thread's CPU
// time, the median of repeated samples, and running the event loop until the
// work a change set going (a list laid out a batch at a time) is done.

#include <QAbstractEventDispatcher>

#include <algorithm>
#include <ctime>
#include <vector>

namespace bench {

// CPU time of the calling thread, in milliseconds.
inline double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

inline void runUntilIdle()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int turn = 0; turn < 10000 && dispatcher->processEvents(QEventLoop::AllEvents); ++turn) {
    }
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace bench
