#include "views/contacts/ColorSwatch.h"

#include "state/contacts/HexColor.h"

#include <QPainter>
#include <QPainterPath>

ColorSwatch::ColorSwatch(const QString& hex, QWidget* parent)
    : QAbstractButton(parent)
    , m_hex(hex)
{
    setObjectName(QStringLiteral("colorSwatch"));
    setFixedSize(24, 24);
    setCursor(Qt::PointingHandCursor);
    setToolTip(hex);
}

QColor ColorSwatch::color() const
{
    return QColor::fromRgb(QRgb(HexColor::rgb(m_hex)));
}

void ColorSwatch::setMarked(bool marked)
{
    if (m_marked == marked)
        return;
    m_marked = marked;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color());
    painter.drawEllipse(QRectF(rect()));
    if (!m_marked)
        return;
    QPainterPath check;
    check.moveTo(7, 12.5);
    check.lineTo(10.5, 16);
    check.lineTo(17, 8.5);
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(check);
}
