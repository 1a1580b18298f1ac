#include "state/contacts/HexColor.h"

#include <limits>

namespace HexColor {

quint32 rgb(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u'#')
        ++begin;
    while (end > begin && text.at(end - 1) == u'#')
        --end;
    while (begin < end && text.at(begin).isSpace())
        ++begin;
    if (end - begin > 2 && text.at(begin) == u'0' && (text.at(begin + 1) == u'x' || text.at(begin + 1) == u'X'))
        begin += 2;

    quint64 value = 0;
    bool overflow = false;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text.at(i).unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            break;
        if (value > (std::numeric_limits<quint64>::max() >> 4))
            overflow = true;
        value = (value << 4) | quint64(digit);
    }
    if (overflow)
        value = std::numeric_limits<quint64>::max();
    return quint32(value & 0xFFFFFF);
}

} // namespace HexColor
