#include "views/common/ShadedPanel.h"

#include "views/common/Appearance.h"

#include <QColor>
#include <QWidget>

void shadePanel(QWidget* panel, int cornerRadius)
{
    panel->setAttribute(Qt::WA_StyledBackground);
    QColor tint = Appearance::secondaryText();
    tint.setAlphaF(0.05f);
    panel->setStyleSheet(QStringLiteral("#%1 { background: %2; border-radius: %3px; }")
                             .arg(panel->objectName(), tint.name(QColor::HexArgb), QString::number(cornerRadius)));
}
