#pragma once

#include <QtGlobal>

class QPainter;
class QRectF;

// The ring a painted control (a button drawn by the program, a painted list's
// current row) draws around itself while it has the keyboard, in the colour every
// screen uses for it.
namespace FocusRing {

constexpr int Width = 2;

// Draws the ring just inside rect, with corners of the given radius.
void paint(QPainter* painter, const QRectF& rect, qreal radius);

} // namespace FocusRing
