#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// A button drawn inside a painted list row, at the row's trailing edge and
// centred on it: a bordered rounded box around its text.
namespace RowButton {

QRect rect(const QRect& row, const QFont& font, const QString& text, int horizontalPadding);
void paint(QPainter* painter, const QRect& button, const QFont& font, const QString& text, const QColor& textColor);

} // namespace RowButton
