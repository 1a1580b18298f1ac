#include "OffThread.h"

#include <QSemaphore>

#include <memory>

namespace offthread {

void startEveryThread(QThreadPool& pool)
{
    pool.setExpiryTimeout(-1);
    const int count = pool.maxThreadCount();
    // Each task keeps its thread until all have one, so that none is reused.
    auto started = std::make_shared<QSemaphore>();
    auto proceed = std::make_shared<QSemaphore>();
    for (int i = 0; i < count; ++i) {
        pool.start([started, proceed] {
            started->release();
            proceed->acquire();
        });
    }
    started->acquire(count);
    proceed->release(count);
}

} // namespace offthread
