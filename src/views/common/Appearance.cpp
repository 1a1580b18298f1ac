#include "views/common/Appearance.h"

#include "views/common/Icons.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>

namespace Appearance {

void install()
{
    // The emoji font comes second so Latin and CJK text keep the CJK face's metrics,
    // while emoji fall through to the colour font instead of DejaVu's monochrome glyphs.
    QFont font = QApplication::font();
    font.setFamilies({ QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Color Emoji") });
    font.setPointSizeF(10);
    QApplication::setFont(font);
    Icons::install();
}

QColor accent() { return QColor(0x00, 0x7a, 0xff); }
QColor secondaryText() { return QColor(0x86, 0x86, 0x8b); }
QColor controlBackground() { return QColor(0xec, 0xec, 0xef); }
QColor barBackground() { return QColor(0xf6, 0xf6, 0xf8); }

} // namespace Appearance
