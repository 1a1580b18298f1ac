#include "views/common/ElidedText.h"

#include <QFontMetrics>
#include <QLabel>

void ElidedText::apply(QLabel* label, const QString& text, int maxWidth)
{
    label->setTextFormat(Qt::PlainText);
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, maxWidth);
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}
