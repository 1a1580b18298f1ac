#pragma once

class QWidget;

// A window made of a plain widget (not a QMainWindow or QDialog) is read by Qt
// as a "filler" pane: a screen reader announces no window when it comes up or
// gets the keyboard. A widget marked here is read as the window it is.
namespace WindowAccessible {

void mark(QWidget* window);

} // namespace WindowAccessible
