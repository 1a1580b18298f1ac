#include "views/account/RowButton.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

namespace RowButton {

QRect rect(const QRect& row, const QFont& font, const QString& text, int horizontalPadding)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text) + horizontalPadding;
    const int height = metrics.height() + 10;
    return QRect(row.right() - width + 1, row.center().y() - height / 2, width, height);
}

void paint(QPainter* painter, const QRect& button, const QFont& font, const QString& text, const QColor& textColor)
{
    painter->setPen(QPen(QApplication::palette().color(QPalette::Mid), 1));
    painter->setBrush(QApplication::palette().color(QPalette::Button));
    painter->drawRoundedRect(QRectF(button).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    painter->setFont(font);
    painter->setPen(textColor);
    painter->drawText(button, Qt::AlignCenter, text);
}

} // namespace RowButton
