#include "views/admin/TintColor.h"

QColor tintColor(Tint tint)
{
    switch (tint) {
    case Tint::Blue: return QColor(0x00, 0x7a, 0xff);
    case Tint::Green: return QColor(0x28, 0xa7, 0x45);
    case Tint::Orange: return QColor(0xf0, 0x8c, 0x00);
    case Tint::Purple: return QColor(0xaf, 0x52, 0xde);
    case Tint::Red: return QColor(0xe0, 0x32, 0x2b);
    case Tint::Pink: return QColor(0xe8, 0x3e, 0x8c);
    case Tint::Teal: return QColor(0x30, 0xa5, 0xb0);
    case Tint::Yellow: return QColor(0xd4, 0xa1, 0x00);
    case Tint::Gray: return QColor(0x8e, 0x8e, 0x93);
    }
    return QColor(0x8e, 0x8e, 0x93);
}
