#pragma once

class QString;

// A tooltip that shows text as it stands. Qt guesses whether a tooltip is HTML,
// so a server name such as "<img src=file:///…>" would be drawn (and its file
// read) unless the text is escaped first. Empty text gives no tooltip.
QString plainToolTip(const QString& text);
