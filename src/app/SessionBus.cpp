#include "app/SessionBus.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QThreadPool>

namespace SessionBus {

void joinInBackground()
{
    const QString platform = QGuiApplication::platformName();
    if (platform != u"xcb" && !platform.startsWith(u"wayland"))
        return;
    // The connection is shared and thread-safe: the first caller makes it, later
    // ones (the bridge on the interface thread) get it or wait for it to be made.
    QThreadPool::globalInstance()->start([] { QDBusConnection::sessionBus(); });
}

} // namespace SessionBus
