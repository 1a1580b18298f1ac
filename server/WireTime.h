#pragma once

// Times on the wire are "YYYY-MM-DDTHH:MM:SSZ" in UTC.

#include <QDateTime>
#include <QString>

namespace wiretime {

QString format(const QDateTime& time);
QString now();
qint64 nowSeconds();

} // namespace wiretime
