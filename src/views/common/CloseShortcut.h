#pragma once

class QWidget;

// The platform's close-window keys (Ctrl+W, and Ctrl+F4 where the desktop uses it)
// for a window of the program other than the main one: the settings window and the
// consoles close as any desktop window does, not only with Alt+F4.
namespace CloseShortcut {

void install(QWidget* window);

} // namespace CloseShortcut
