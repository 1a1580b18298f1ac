#include "views/common/Appearance.h"

#include "views/common/AppStyle.h"
#include "views/common/FocusVisible.h"
#include "views/common/Icons.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace Appearance {

void install()
{
    // The emoji font comes second so Latin and CJK text keep the CJK face's metrics,
    // while emoji fall through to the colour font instead of DejaVu's monochrome glyphs.
    QFont font = QApplication::font();
    font.setFamilies({ QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Color Emoji") });
    font.setPixelSize(13);
    QApplication::setFont(font);
    if (!qobject_cast<AppStyle*>(QApplication::style()))
        QApplication::setStyle(new AppStyle);
    Icons::install();
    FocusVisible::install();
}

QFont font(TextStyle style)
{
    QFont result = QApplication::font();
    switch (style) {
    case TextStyle::Body: result.setPixelSize(13); break;
    case TextStyle::Headline: result.setPixelSize(13); result.setWeight(QFont::DemiBold); break;
    case TextStyle::Caption: result.setPixelSize(11); break;
    case TextStyle::Caption2: result.setPixelSize(10); break;
    case TextStyle::Subheadline: result.setPixelSize(12); break;
    case TextStyle::Title: result.setPixelSize(22); break;
    case TextStyle::Title2: result.setPixelSize(17); break;
    case TextStyle::LargeTitle: result.setPixelSize(26); break;
    }
    return result;
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(role, color);
    widget->setPalette(palette);
}

QColor accent() { return QColor(0x00, 0x7a, 0xff); }
QColor secondaryText() { return QColor(0x86, 0x86, 0x8b); }
QColor controlBackground() { return QColor(0xec, 0xec, 0xef); }
QColor barBackground() { return QColor(0xf6, 0xf6, 0xf8); }
QColor focusRing() { return QColor(0x00, 0x7a, 0xff, 0xa0); }

QString searchFieldStyle()
{
    return QStringLiteral("QLineEdit { background: transparent; border: 2px solid transparent; border-radius: 6px; }"
                          "QLineEdit:focus { border-color: %1; }")
        .arg(focusRing().name(QColor::HexArgb));
}

} // namespace Appearance
