#pragma once

// Turns SIGINT and SIGTERM into a Qt signal on the event loop, so shutdown runs as
// ordinary code (closing sockets, closing the database) instead of in a handler.

#include <QObject>

class QSocketNotifier;

class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

Q_SIGNALS:
    void requested(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};
