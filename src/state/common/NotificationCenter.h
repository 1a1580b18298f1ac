#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

// The one in-process notification centre: screens and state objects that hold no
// reference to each other talk through named notifications carrying a user-info
// map. Names and keys are in NotificationName.h; values are read with the strict
// readers of UserInfo.h.
class NotificationCenter : public QObject {
    Q_OBJECT

public:
    explicit NotificationCenter(QObject* parent = nullptr) : QObject(parent) {}

    static NotificationCenter& shared();

    // Synchronous: every observer connected directly has run when this returns;
    // queued observers run on their thread's next event-loop pass.
    void post(const QString& name, const QVariantMap& userInfo = {});

    // Calls handler for each notification named `name` while `context` lives.
    // Queued by default, so the handler runs after the posting code has finished.
    QMetaObject::Connection observe(const QString& name, const QObject* context,
                                    std::function<void(const QVariantMap&)> handler,
                                    Qt::ConnectionType type = Qt::QueuedConnection);

Q_SIGNALS:
    void posted(const QString& name, const QVariantMap& userInfo);
};
