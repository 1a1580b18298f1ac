#include "views/common/AppStyle.h"

#include "views/common/FocusRing.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStyleOptionButton>

namespace {

// A double chevron pointing towards the hidden entries, drawn at whatever size is
// asked for, in the palette's text colour.
class OverflowArrow : public QIconEngine {
public:
    explicit OverflowArrow(Qt::Orientation orientation)
        : m_orientation(orientation)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette palette;
        const QColor colour = palette.color(mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active, QPalette::WindowText);
        const qreal s = qMin(rect.width(), rect.height());
        QPainterPath path;
        for (const qreal shift : { 0.0, 0.3 }) {
            path.moveTo(0.2 + shift, 0.25);
            path.lineTo(0.45 + shift, 0.5);
            path.lineTo(0.2 + shift, 0.75);
        }
        QTransform placed;
        placed.translate(rect.x() + (rect.width() - s) / 2, rect.y() + (rect.height() - s) / 2);
        placed.scale(s, s);
        if (m_orientation == Qt::Vertical) // pointing down: the horizontal drawing mirrored about the diagonal
            placed = QTransform(0, 1, 1, 0, 0, 0) * placed;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(colour, qMax(1.0, s * 0.1), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(placed.map(path));
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap result(size);
        result.fill(Qt::transparent);
        QPainter painter(&result);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return result;
    }

    QIconEngine* clone() const override { return new OverflowArrow(m_orientation); }

private:
    Qt::Orientation m_orientation;
};

} // namespace

AppStyle::AppStyle() = default;

QIcon AppStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option, const QWidget* widget) const
{
    switch (standardIcon) {
    case SP_ToolBarHorizontalExtensionButton:
        return QIcon(new OverflowArrow(Qt::Horizontal));
    case SP_ToolBarVerticalExtensionButton:
        return QIcon(new OverflowArrow(Qt::Vertical));
    default:
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    }
}

void AppStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    // A flat button draws no frame for the focus; a default one draws the same
    // frame with or without it.
    const QStyleOptionButton::ButtonFeatures unmarked = QStyleOptionButton::Flat | QStyleOptionButton::DefaultButton;
    if (element == CE_PushButton && button && (button->features & unmarked)
        && (button->state & State_HasFocus) && (button->state & State_KeyboardFocusChange))
        FocusRing::paint(painter, QRectF(button->rect), 6);
}
