#pragma once

#include "services/SessionService.h"

#include <QWidget>

#include <optional>

class ElidedLabel;
class QLabel;

// One signed-in device: its kind's icon (green for this device), name with the
// "this device" badge, platform and address, and when it was last active.
class DeviceRow : public QWidget {
    Q_OBJECT
public:
    explicit DeviceRow(SessionService::DeviceSession device, QWidget* parent = nullptr);

    const SessionService::DeviceSession& device() const { return m_device; }

    // The symbol for a device type, compared without letter case.
    static QString iconName(const std::optional<QString>& deviceType);

private:
    void retranslate();

    SessionService::DeviceSession m_device;
    ElidedLabel* m_name;
    QLabel* m_badge = nullptr;
    QLabel* m_lastActive = nullptr;
};
