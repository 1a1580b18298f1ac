#pragma once

#include <QString>

// A price as C's printf writes it with "%.0f": the nearest whole number, an
// exact half going to the even neighbour (2.5 → "2"), no grouping. Qt's own
// formatting rounds halves away from zero, which would show other prices.
QString wholeNumberText(double value);
