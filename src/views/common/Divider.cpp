#include "views/common/Divider.h"

#include <QFrame>

QFrame* divider(QWidget* parent, Qt::Orientation orientation)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setStyleSheet(QStringLiteral("color: rgba(0,0,0,30);"));
    return line;
}
