#include "views/common/VerticalScrollArea.h"

#include "views/common/Appearance.h"

VerticalScrollArea::VerticalScrollArea(QWidget* parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A page to read (no control of its own to walk) is scrolled by the keyboard:
    // it is a Tab stop, ringed while it has the focus.
    setStyleSheet(QStringLiteral("VerticalScrollArea { border: 2px solid transparent; } VerticalScrollArea:focus { border-color: %1; }")
                      .arg(Appearance::focusRing().name(QColor::HexArgb)));
}
