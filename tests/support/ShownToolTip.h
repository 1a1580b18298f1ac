#pragma once

// What a tooltip shows as text once Qt has rendered it: Qt guesses whether a
// tooltip is HTML, so server text must come out of this exactly as it went in.

#include <QString>
#include <QTextDocument>

inline QString shownToolTip(const QString& tip)
{
    QTextDocument document;
    if (Qt::mightBeRichText(tip))
        document.setHtml(tip);
    else
        document.setPlainText(tip);
    return document.toPlainText();
}
