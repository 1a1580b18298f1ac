#pragma once

// A picture compared midway through a test. Where it can't be compared (pictures
// drawn on another machine, a language with none) the test goes on with the
// assertions after it rather than skip them, as VERIFY_SNAPSHOT would.

#include "Snapshot.h"

#define CHECK_SNAPSHOT(widget, name)                                                                \
    do {                                                                                            \
        if (Snapshot::cannotCompare(QStringLiteral(MORVANE_SNAPSHOTS), (name)).isEmpty()) {         \
            const QString why = Snapshot::mismatch((widget), QStringLiteral(MORVANE_SNAPSHOTS), (name)); \
            QVERIFY2(why.isEmpty(), qPrintable(why));                                               \
        }                                                                                           \
    } while (false)
