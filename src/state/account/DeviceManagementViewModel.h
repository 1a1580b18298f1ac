#pragma once

#include "services/SessionService.h"
#include "state/common/ListReload.h"
#include "state/common/ScreenError.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>

#include <optional>

// The devices the account is signed in on, current ones first and then newest
// activity first, with signing out one other device or all others. A device
// travels to the server by its deviceId; without one nothing is sent. A sign-out
// wins over a load that was already on its way: that load's answer may predate
// the sign-out, so it cannot bring the device back.
class DeviceManagementViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)

public:
    using DeviceSession = SessionService::DeviceSession;

    explicit DeviceManagementViewModel(QObject* parent = nullptr);
    explicit DeviceManagementViewModel(SessionService* service, QObject* parent = nullptr);

    const QList<DeviceSession>& devices() const { return m_devices; }
    QList<DeviceSession> currentDevices() const;
    QList<DeviceSession> otherDevices() const;
    bool isLoading() const { return m_isLoading; }
    const std::optional<ScreenError>& error() const { return m_error; }
    std::optional<QString> errorMessage() const;
    void clearError();
    // Why the latest load failed, until a load succeeds: the screen shows it with a
    // retry in place of its empty state. Changes only as a load ends.
    const std::optional<ScreenError>& loadFailure() const { return m_loadFailure; }

    static bool isCurrent(const DeviceSession& device) { return device.isCurrent.value_or(false); }
    // Current devices first, then by lastActiveAt as text, greatest first; a
    // stable sort, so ties keep the server's order.
    static void sortDevices(QList<DeviceSession>& devices);
    // "2024-05-01T10:20:30Z" as "2024-05-01 10:20"; ten characters or fewer unchanged.
    static QString shownLastActive(const QString& lastActiveAt);

    // None of these throws; failures land in errorMessage().
    QCoro::Task<> loadDevices();
    // A device the server no longer knows (signed out already) leaves the list too.
    QCoro::Task<> logoutDevice(DeviceSession device);
    // The device's sign-out is under way: its button waits.
    bool isLoggingOut(qint64 deviceId) const { return m_loggingOut.contains(deviceId); }
    QCoro::Task<> revokeOtherDevices();

Q_SIGNALS:
    void devicesChanged();
    void isLoadingChanged();
    void errorMessageChanged();
    void loggingOutChanged();

private:
    void fail(const char* key, const std::exception& error);
    void setIsLoading(bool loading);
    // Takes signed-out devices off the list; a load in flight keeps them off it.
    void removeDevices(ListReload<DeviceSession>::Edit removal);

    SessionService* m_service;
    QList<DeviceSession> m_devices;
    bool m_isLoading = true;
    std::optional<ScreenError> m_error;
    std::optional<ScreenError> m_loadFailure;
    ListReload<DeviceSession> m_reload;
    QSet<qint64> m_loggingOut;
};
