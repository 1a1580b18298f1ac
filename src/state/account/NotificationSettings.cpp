#include "state/account/NotificationSettings.h"

QString NotificationSettings::hourLabel(int hour)
{
    return QStringLiteral("%1:00").arg(hour);
}
