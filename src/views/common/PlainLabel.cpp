#include "views/common/PlainLabel.h"

#include <QLabel>

QLabel* plainLabel(const QString& text, Appearance::TextStyle style, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(Appearance::font(style));
    label->setText(text);
    return label;
}
