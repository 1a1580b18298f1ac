#include "views/common/FocusRing.h"

#include "views/common/Appearance.h"

#include <QPainter>

namespace FocusRing {

void paint(QPainter* painter, const QRectF& rect, qreal radius)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(Appearance::focusRing(), Width));
    const qreal inset = Width / 2.0;
    painter->drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), radius, radius);
    painter->restore();
}

} // namespace FocusRing
