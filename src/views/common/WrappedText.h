#pragma once

#include <Qt>

class QColor;
class QFont;
class QPainter;
class QRect;
class QSize;
class QString;

// Text painted in a box of a given width, wrapped at word boundaries and, for a
// word longer than the line, anywhere: a pasted link cannot push a painted bubble
// past the window's edge. Typed line breaks start new lines.
namespace WrappedText {

// The size the text takes at that width (one line's height when empty).
QSize size(const QString& text, const QFont& font, int width);
void draw(QPainter* painter, const QRect& rect, const QString& text, const QFont& font, const QColor& color,
          Qt::Alignment alignment = Qt::AlignLeft);

} // namespace WrappedText
