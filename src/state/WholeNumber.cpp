#include "state/WholeNumber.h"

#include <cstdio>

QString wholeNumberText(double value)
{
    char buffer[512];
    const int length = std::snprintf(buffer, sizeof buffer, "%.0f", value);
    if (length < 0)
        return {};
    return QString::fromLatin1(buffer, qMin(length, int(sizeof buffer) - 1));
}
