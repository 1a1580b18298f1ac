#pragma once

// The barrier of a "nothing happened" check whose cause travels through this thread's
// event queue (a queued signal, a zero timer, a deferred delete): instead of waiting
// a fixed time, which proves nothing on a slow machine, post a marker and handle
// events until it comes up. The queue is handled in order, so whatever was posted
// before it has been handled by then; `hops` markers in a row also cover what those
// events post in turn.
//
//     Q_EMIT ws.typingSubject(chat, me, u"Me"_s);
//     QVERIFY(testsupport::postedEventsHandled());
//     QCOMPARE(model->typingUserName(), std::nullopt);

#include "Patience.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <memory>

namespace testsupport {

inline bool postedEventsHandled(int hops = 2)
{
    for (int hop = 0; hop < hops; ++hop) {
        // Shared, so that a marker handled after a timed-out wait writes into live memory.
        const auto reached = std::make_shared<bool>(false);
        QMetaObject::invokeMethod(QCoreApplication::instance(), [reached] { *reached = true; }, Qt::QueuedConnection);
        if (!QTest::qWaitFor([&reached] { return *reached; }, kPatienceMs))
            return false;
    }
    return true;
}

} // namespace testsupport
