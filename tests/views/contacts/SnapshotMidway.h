#pragma once

#include "Snapshot.h"

// As VERIFY_SNAPSHOT, for a state in the middle of a test: where the picture cannot be
// compared (another machine, no picture yet) the test goes on to its later steps instead
// of being skipped whole.
#define VERIFY_SNAPSHOT_MIDWAY(widget, name)                                                    \
    do {                                                                                        \
        if (Snapshot::cannotCompare(QStringLiteral(MORVANE_SNAPSHOTS), (name)).isEmpty()) {     \
            const QString why = Snapshot::mismatch((widget), QStringLiteral(MORVANE_SNAPSHOTS), (name)); \
            QVERIFY2(why.isEmpty(), qPrintable(why));                                           \
        }                                                                                       \
    } while (false)
