#pragma once

class QPainter;
class QRect;
class QString;

// A button drawn inside a painted list row, which has no widgets of its own: a
// blue capsule with white text for the row's action, a light one for the other.
namespace PaintedButton {

constexpr int Height = 22;

// The width the button needs for its text.
int width(const QString& text);
void paint(QPainter* painter, const QRect& rect, const QString& text, bool prominent, bool enabled);

} // namespace PaintedButton
