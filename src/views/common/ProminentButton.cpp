#include "views/common/ProminentButton.h"

#include "views/common/Appearance.h"

#include <QPainter>

ProminentButton::ProminentButton(QWidget* parent)
    : QPushButton(parent)
{
    QFont bold = font();
    bold.setWeight(QFont::DemiBold);
    setFont(bold);
}

void ProminentButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = Appearance::accent();
    if (!isEnabled())
        fill = fill.lighter(130);
    else if (isDown())
        fill = fill.darker(115);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, text());
}
