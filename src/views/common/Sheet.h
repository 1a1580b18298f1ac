#pragma once

#include <QString>

#include <functional>

class QDialog;
class QLabel;
class QMessageBox;
class QSize;
class QWidget;

// A screen shown over its window as a window-modal dialog of a fixed size. The
// dialog follows the screen's window title, closes on Escape and deletes itself
// (and so the screen) when closed: every presentation starts afresh. It has the
// keyboard of every sheet (SheetKeyboard): Return for the action or the focused
// button, the focus in the first field and back to the opener, Tab in reading order.
namespace Sheet {

QDialog* present(QWidget* parent, QWidget* screen, QSize size, const QString& objectName);
// Gives a dialog the keyboard of a sheet. present() does this; a dialog made
// elsewhere calls it itself.
void setUpKeyboard(QDialog* dialog);
// A heading for the top of a sheet's screen: its window title in headline type,
// following it as it changes (the title bar alone is easy to miss).
QLabel* heading(QWidget* screen);
// Closes the sheet that holds the screen, if any.
void dismiss(QWidget* screen);
// The alert of a failed action: title "common.error", one "common.ok" button.
void showError(QWidget* parent, const QString& message);
// Asks before something is thrown away: the question, a cancel button and a
// destructive button; exactly one of the two callbacks runs when it closes.
QMessageBox* confirm(QWidget* parent, const QString& question, const QString& destructiveLabel,
    std::function<void()> confirmed, std::function<void()> cancelled);

} // namespace Sheet
