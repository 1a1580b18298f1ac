#pragma once

class QWidget;

// Disabling the control that has the keyboard makes Qt pass the keyboard down the
// Tab order, to whatever comes next: on some screens that is Sign Out or Delete,
// one Space away. A control disabled through here leaves the keyboard with its
// parent instead, and takes it back when it is enabled again, unless the person
// has put it somewhere else meanwhile.
namespace FocusHold {

void setEnabled(QWidget* control, bool enabled);

} // namespace FocusHold
