#include "views/common/PlainToolTip.h"

#include <QString>
#include <QTextDocument>

QString plainToolTip(const QString& text)
{
    if (text.isEmpty())
        return QString();
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}
