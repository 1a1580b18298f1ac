#pragma once

// A screen as a person approved it: what a widget draws, compared pixel for pixel with a
// picture kept beside its test (in the test folder's snapshots/). It catches what no
// single assertion names: a margin, a gap, a colour, a widget shown or raised that should
// not be. After a wanted change, run the test with MORVANE_UPDATE_SNAPSHOTS=1, look at
// the pictures it wrote, and commit them.
//
// Pixels depend on the fonts and the Qt build, so each folder notes the machine its
// pictures were drawn on, and each picture the language; on another machine or in a
// language with no picture the comparison is left out, not failed.

#include <QString>
#include <QTest>

class QWidget;

namespace Snapshot {

// Drawing that does not change from one instant or run to the next: a caret that does
// not blink, names that hash alike (an avatar's colour). Call it in initTestCase.
void holdStill();

// Empty when the folder holds the picture `name` in the language in force, drawn on a
// machine that draws as this one; otherwise why it can't be compared here.
QString cannotCompare(const QString& folder, const QString& name);

// Empty when `widget` draws as the folder's picture `name` (or when pictures are being
// written); otherwise where and how much it differs, and where the drawing was saved.
QString mismatch(QWidget* widget, const QString& folder, const QString& name);

} // namespace Snapshot

// In a program registered with SNAPSHOTS (tests/CMakeLists.txt). Where the picture can't
// be compared it says why and the test goes on: the checks after it still run.
#define VERIFY_SNAPSHOT(widget, name)                                                           \
    do {                                                                                        \
        if (const QString why = Snapshot::cannotCompare(QStringLiteral(MORVANE_SNAPSHOTS), (name)); \
            !why.isEmpty()) {                                                                   \
            qInfo("picture not compared: %s", qPrintable(why));                                 \
        } else {                                                                                \
            const QString differs = Snapshot::mismatch((widget), QStringLiteral(MORVANE_SNAPSHOTS), (name)); \
            QVERIFY2(differs.isEmpty(), qPrintable(differs));                                   \
        }                                                                                       \
    } while (false)
