#include "views/common/Divider.h"

#include <QFrame>

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setStyleSheet(QStringLiteral("color: rgba(0,0,0,30);"));
    return line;
}
