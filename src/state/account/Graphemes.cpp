#include "state/account/Graphemes.h"

#include <QTextBoundaryFinder>

namespace graphemes {

qsizetype count(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype result = 0;
    while (finder.toNextBoundary() != -1)
        ++result;
    return result;
}

QString prefix(const QString& text, qsizetype n)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            return text;
        end = next;
    }
    return text.left(end);
}

} // namespace graphemes
