#include "views/common/PaintedButton.h"

#include "views/common/Appearance.h"

#include <QApplication>
#include <QPalette>
#include <QPainter>

namespace PaintedButton {

int width(const QString& text)
{
    return QFontMetrics(Appearance::font(Appearance::TextStyle::Caption)).horizontalAdvance(text) + 20;
}

void paint(QPainter* painter, const QRect& rect, const QString& text, bool prominent, bool enabled)
{
    QColor fill = prominent ? Appearance::accent() : Appearance::controlBackground();
    QColor ink = prominent ? QColor(Qt::white) : QApplication::palette().color(QPalette::ButtonText);
    if (!enabled) {
        fill.setAlphaF(0.4f);
        ink.setAlphaF(0.6f);
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(prominent ? QPen(Qt::NoPen) : QPen(Appearance::secondaryText(), 0.5));
    painter->setBrush(fill);
    painter->drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    painter->setFont(Appearance::font(Appearance::TextStyle::Caption));
    painter->setPen(ink);
    painter->drawText(rect, Qt::AlignCenter, text);
    painter->restore();
}

} // namespace PaintedButton
