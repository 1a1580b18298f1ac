#pragma once

class QColor;
class QFont;
class QString;
class QWidget;

// The one place that sets the application font, the icon theme, the focus that
// shows from the start and the few named colours every screen shares. Call once
// after the QApplication exists.
namespace Appearance {

void install();

// The text styles of the screens, in pixels so layouts do not depend on the screen's DPI.
enum class TextStyle { Body, Headline, Caption, Caption2, Subheadline, Title, Title2, LargeTitle };
QFont font(TextStyle style);

// Text colour through the palette: cheaper at start-up than a style sheet.
void setTextColor(QWidget* widget, const QColor& color);

QColor accent();       // the blue of links, own bubbles and progress
QColor secondaryText();
QColor controlBackground();
QColor barBackground();
QColor focusRing();    // around the control that has the keyboard, where a style sheet hides the style's own

// A frameless search field on a bar or box of its own: without a frame it would show
// the keyboard by its caret alone, so it draws the ring in its border.
QString searchFieldStyle();

} // namespace Appearance
