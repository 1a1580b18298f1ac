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
    // Greyed, it reads as not yet usable at a glance, not as a paler blue.
    QColor fill = isEnabled() ? Appearance::accent() : Appearance::controlBackground();
    if (isDown())
        fill = fill.darker(115);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
    painter.setPen(isEnabled() ? QColor(Qt::white) : Appearance::secondaryText());
    painter.drawText(rect(), Qt::AlignCenter, text());
    // Painted by hand, so the style's focus frame is drawn here too: white inside
    // the fill (the ring colour would vanish on the blue), the ring around it.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), 4, 4);
    }
}
