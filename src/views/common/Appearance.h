#pragma once

class QColor;

// The one place that sets the application font, the icon theme and the few named
// colours every screen shares. Call once after the QApplication exists.
namespace Appearance {

void install();

QColor accent();       // the blue of links, own bubbles and progress
QColor secondaryText();
QColor controlBackground();
QColor barBackground();

} // namespace Appearance
