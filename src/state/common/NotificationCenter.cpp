#include "state/common/NotificationCenter.h"

NotificationCenter& NotificationCenter::shared()
{
    static NotificationCenter instance;
    return instance;
}

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo)
{
    Q_EMIT posted(name, userInfo);
}

QMetaObject::Connection NotificationCenter::observe(const QString& name, const QObject* context,
                                                    std::function<void(const QVariantMap&)> handler,
                                                    Qt::ConnectionType type)
{
    return connect(
        this, &NotificationCenter::posted, context,
        [name, handler = std::move(handler)](const QString& postedName, const QVariantMap& userInfo) {
            if (postedName == name)
                handler(userInfo);
        },
        type);
}
