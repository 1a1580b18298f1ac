#include "WireTime.h"

namespace wiretime {

QString format(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss'Z'"));
}

QString now()
{
    return format(QDateTime::currentDateTimeUtc());
}

qint64 nowSeconds()
{
    return QDateTime::currentSecsSinceEpoch();
}

} // namespace wiretime
