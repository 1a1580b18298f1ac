#include "state/chat/StateTimer.h"

#include <QObject>
#include <QTimer>

namespace {

class QtStateTimer final : public StateTimer {
public:
    QtStateTimer(QObject* context, std::function<void()> action)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, context, std::move(action));
    }

    void start(qint64 intervalMs) override { m_timer.start(std::chrono::milliseconds(intervalMs)); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

class QtFactory final : public StateTimer::Factory {
public:
    std::unique_ptr<StateTimer> create(QObject* context, std::function<void()> action) override
    {
        return std::make_unique<QtStateTimer>(context, std::move(action));
    }
};

} // namespace

std::shared_ptr<StateTimer::Factory> StateTimer::systemFactory()
{
    static const std::shared_ptr<Factory> factory = std::make_shared<QtFactory>();
    return factory;
}
