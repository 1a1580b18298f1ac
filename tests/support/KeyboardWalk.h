#pragma once

// Working a shown window with the keyboard alone and hearing it through a screen
// reader, as a person would, for any screen's tests:
// - tabChain() presses Tab (or Shift+Tab) from the window's first control until the
//   focus comes back, and reports the stops, a control that kept the focus (a trap)
//   and a loop that shuts the rest of the window out;
// - outOfVisualOrder() and unreached() judge that walk: the stops must follow the
//   visual order (left to right, top to bottom, a column at a time), and every
//   control a mouse user can use must be among them;
// - sweep() goes through every control that takes the focus and reports each one
//   a screen reader cannot name, whose name or description carries markup, or that
//   looks the same with and without the focus (a grab with and without it).
// Exceptions are object names: "name" excuses that widget from every check,
// "name/problem" from one (problems are spelled as problemName() gives them).

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace keyboardwalk {

struct TabChain {
    // The focused widgets in the order the key reached them, the first control first.
    QList<QPointer<QWidget>> stops;
    // The control that kept the focus when the key was pressed on it.
    QPointer<QWidget> trap;
    // The stop the key went back to when that was not the first one (a loop), else -1.
    int loopsBackTo = -1;
    // The key came back to the first stop: the chain is whole.
    bool closed = false;
    // A shown modal window or menu took the key away from this window.
    QPointer<QWidget> leftFor;

    QStringList names() const;
    // "a → b → c", and what went wrong, for failure messages.
    QString describe() const;
    bool reaches(const QWidget* widget) const;
    int indexOf(const QWidget* widget) const;
};

// The name tests use for a widget: its object name, else its class and its
// parent's name ("QToolButton in chatHeader").
QString nameOf(const QWidget* widget);

// Makes window the active window and waits for it (focus and the focus frames of
// a style need an active window); false when the platform never activated it.
bool activate(QWidget* window);

// Keys as a person presses them: to whatever has the focus. The offscreen platform
// activates no window when a popup menu or a dialog closes, where a desktop hands
// activation back to the window below; the home window takes it back the same way.
void setHomeWindow(QWidget* window);
QWidget* focused();
QString focusedName();
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void type(const QString& text);
// Tab (or Shift+Tab) until the named control has the focus; false after a whole round.
bool tabTo(const QString& name, bool backwards = false);

// Starts with no control focused, presses the key once to reach the first control
// (Shift+Tab reaches the last) and then on each stop until the focus comes back to
// the first, stays put, loops, leaves the window or limit presses were made.
TabChain tabChain(QWidget* window, bool backwards = false, int limit = 400);

// The order two widgets of one window are read in: at the level where their
// branches of the widget tree part, the two children are compared: side by side
// (their heights overlap) the left one first, otherwise the upper one.
bool visuallyBefore(const QWidget* a, const QWidget* b);

// Each step of a whole chain (the wrap from the last stop to the first excepted)
// that goes back against the visual order, as "a → b".
QStringList outOfVisualOrder(const TabChain& chain);

// The controls a mouse user can use (buttons, fields, boxes, lists, tabs, sliders
// other than scroll bars, links), shown and enabled, that the chain never reached.
QList<QWidget*> unreached(QWidget* window, const TabChain& chain, const QStringList& except = {});
QStringList names(const QList<QWidget*>& widgets);

enum class Problem {
    NoName,
    MarkupInName,
    MarkupInDescription,
    NoFocusFrame,
    RowWithoutName,
    MarkupInRow,
};
QString problemName(Problem problem);

struct Finding {
    QPointer<QWidget> widget;
    Problem problem;
    QString detail;
};

// Every control of screen that Tab can reach (shown, enabled, taking the focus by
// Tab, and no other control's focus proxy): its accessible name and description,
// the names of the rows a list shows, and whether the focus shows. The focus ends
// where it was.
QList<Finding> sweep(QWidget* screen, const QStringList& except = {});
QString describe(const QList<Finding>& findings);

// All of the above for one shown window or sheet, as one text for a failure
// message (empty when all is well): the Tab chain is whole, has no trap, follows
// the visual order and reaches every control; Shift+Tab walks it backwards; and
// the sweep finds nothing.
QString problems(QWidget* window, const QStringList& except = {});

// The text a screen reader reads as the widget's name, and its description.
QString accessibleName(QWidget* widget);
QString accessibleDescription(QWidget* widget);
// Markup a screen reader would read out as characters ("<p>", "<b>", "&amp;").
bool hasMarkup(const QString& text);
// The widget looks different (beyond a few pixels) with the focus than without,
// the focus given as Tab gives it; the pixels around it count too, where a ring is drawn.
bool showsFocus(QWidget* widget);
// How many pixels of the focus ring's blue the focus adds in and around the widget
// (given as Tab gives it): a clear ring all round is some hundreds, a faint dotted
// square or a caret next to none.
int ringPixels(QWidget* widget);

} // namespace keyboardwalk
