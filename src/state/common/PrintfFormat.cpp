#include "state/common/PrintfFormat.h"

#include <QStringView>

QString printfFormat(const QString& format, const QStringList& arguments)
{
    QString out;
    out.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        const QStringView rest = QStringView(format).mid(i + 1);
        qsizetype length = 0;
        if (rest.startsWith(u'%')) {
            out += u'%';
            i += 1;
            continue;
        }
        if (rest.startsWith(u'@') || rest.startsWith(u'd'))
            length = 1;
        else if (rest.startsWith(u"lld"))
            length = 3;
        if (length == 0) {
            out += c;
            continue;
        }
        out += arguments.value(next++);
        i += length;
    }
    return out;
}
