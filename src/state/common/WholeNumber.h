#pragma once

#include <QString>

// A number as C's printf writes it with "%.<decimals>f" in the C locale: the
// nearest value with that many decimals, an exact half going to the even
// neighbour (2.5 → "2"), a point whatever the user's locale, no grouping. Qt's
// own formatting rounds halves away from zero, and printf itself follows the
// locale the application set (a comma under de_DE or vi_VN).
QString fixedPointText(double value, int decimals);
// A price: fixedPointText with no decimals.
QString wholeNumberText(double value);
