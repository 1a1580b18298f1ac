#include "views/common/AppStyle.h"

#include "views/common/FocusRing.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStyleOptionButton>
#include <QStyleOptionToolButton>
#include <QToolButton>

namespace {

// The room a push button's text keeps from its border, each side, beyond the platform's.
constexpr int ExtraTextMargin = 6;

bool showsKeyboardFocus(const QStyleOption* option)
{
    return (option->state & QStyle::State_HasFocus) && (option->state & QStyle::State_KeyboardFocusChange);
}

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
    if (element == CE_PushButton && button && (button->features & unmarked) && showsKeyboardFocus(button))
        FocusRing::paint(painter, QRectF(button->rect), 6);
}

void AppStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                  const QWidget* widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    if (control == CC_ToolButton && button && (button->state & State_AutoRaise) && showsKeyboardFocus(button))
        FocusRing::paint(painter, QRectF(button->rect), 5);
}

void AppStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    // An icon button's ring replaces the platform's dotted square.
    const auto* tool = qobject_cast<const QToolButton*>(widget);
    if (element == PE_FrameFocusRect && tool && tool->autoRaise())
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

QSize AppStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (type == CT_PushButton && button && !button->text.isEmpty() && !(button->features & QStyleOptionButton::Flat))
        result.rwidth() += 2 * ExtraTextMargin;
    return result;
}
