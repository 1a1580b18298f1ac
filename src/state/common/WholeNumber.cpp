#include "state/common/WholeNumber.h"

#include <charconv>

QString fixedPointText(double value, int decimals)
{
    char buffer[512];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error != std::errc())
        return {};
    return QString::fromLatin1(buffer, end - buffer);
}

QString wholeNumberText(double value)
{
    return fixedPointText(value, 0);
}
