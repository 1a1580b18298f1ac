#include "views/contacts/ColorSwatch.h"

#include "state/contacts/HexColor.h"
#include "views/common/FocusRing.h"

#include <QPainter>
#include <QPainterPath>

ColorSwatch::ColorSwatch(const QString& hex, QWidget* parent)
    : QAbstractButton(parent)
    , m_hex(hex)
{
    setObjectName(QStringLiteral("colorSwatch"));
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setCheckable(true);
}

QColor ColorSwatch::color() const
{
    return QColor::fromRgb(QRgb(HexColor::rgb(m_hex)));
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // As the style's frames: only once the keyboard moved the focus, not after a click.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange))
        FocusRing::paint(&painter, QRectF(rect()), width() / 2.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color());
    painter.drawEllipse(QRectF(Ring, Ring, Disc, Disc));
    if (!isChecked())
        return;
    QPainterPath check;
    check.moveTo(Ring + 7, Ring + 12.5);
    check.lineTo(Ring + 10.5, Ring + 16);
    check.lineTo(Ring + 17, Ring + 8.5);
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(check);
}
