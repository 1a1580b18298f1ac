#include "state/account/DeviceManagementViewModel.h"

#include "network/APIError.h"
#include "state/account/Graphemes.h"
#include "state/common/ErrorDescription.h"

#include <QPointer>

#include <algorithm>

DeviceManagementViewModel::DeviceManagementViewModel(QObject* parent)
    : DeviceManagementViewModel(&SessionService::shared(), parent)
{
}

DeviceManagementViewModel::DeviceManagementViewModel(SessionService* service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{
}

QList<DeviceManagementViewModel::DeviceSession> DeviceManagementViewModel::currentDevices() const
{
    QList<DeviceSession> result;
    std::copy_if(m_devices.cbegin(), m_devices.cend(), std::back_inserter(result), isCurrent);
    return result;
}

QList<DeviceManagementViewModel::DeviceSession> DeviceManagementViewModel::otherDevices() const
{
    QList<DeviceSession> result;
    std::copy_if(m_devices.cbegin(), m_devices.cend(), std::back_inserter(result),
                 [](const DeviceSession& device) { return !isCurrent(device); });
    return result;
}

std::optional<QString> DeviceManagementViewModel::errorMessage() const
{
    if (!m_error)
        return std::nullopt;
    return m_error->text();
}

void DeviceManagementViewModel::clearError()
{
    if (!m_error)
        return;
    m_error.reset();
    Q_EMIT errorMessageChanged();
}

void DeviceManagementViewModel::sortDevices(QList<DeviceSession>& devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const DeviceSession& a, const DeviceSession& b) {
        if (isCurrent(a) != isCurrent(b))
            return isCurrent(a);
        return a.lastActiveAt.value_or(QString()).normalized(QString::NormalizationForm_C)
            > b.lastActiveAt.value_or(QString()).normalized(QString::NormalizationForm_C);
    });
}

QString DeviceManagementViewModel::shownLastActive(const QString& lastActiveAt)
{
    if (graphemes::count(lastActiveAt) < 11)
        return lastActiveAt;
    QString shown = graphemes::prefix(lastActiveAt, 16);
    shown.replace(u'T', u' ');
    return shown;
}

void DeviceManagementViewModel::fail(const char* key, const std::exception& error)
{
    m_error = ScreenError { QString::fromLatin1(key), QString(), errorDescription(error) };
    Q_EMIT errorMessageChanged();
}

void DeviceManagementViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

QCoro::Task<> DeviceManagementViewModel::loadDevices()
{
    QPointer<DeviceManagementViewModel> self(this);
    const quint64 ticket = m_reload.begin();
    setIsLoading(true);
    try {
        QList<DeviceSession> devices = co_await m_service->getMyDevices();
        if (!self || !m_reload.isLatest(ticket))
            co_return;
        m_reload.settle(devices);
        sortDevices(devices);
        m_devices = std::move(devices);
        m_loadFailure.reset();
        Q_EMIT devicesChanged();
    } catch (const std::exception& error) {
        if (!self || !m_reload.isLatest(ticket))
            co_return;
        fail("devices.load_failed", error);
        m_loadFailure = m_error;
    }
    setIsLoading(false);
}

QCoro::Task<> DeviceManagementViewModel::logoutDevice(DeviceSession device)
{
    if (!device.deviceId || m_loggingOut.contains(device.id))
        co_return;
    QPointer<DeviceManagementViewModel> self(this);
    m_loggingOut.insert(device.id);
    Q_EMIT loggingOutChanged();
    try {
        co_await m_service->logoutDevice(*device.deviceId);
    } catch (const std::exception& error) {
        if (self && !APIError::isNotFound(error)) {
            m_loggingOut.remove(device.id);
            Q_EMIT loggingOutChanged();
            fail("devices.logout_device_failed", error);
            co_return;
        }
    }
    if (!self)
        co_return;
    m_loggingOut.remove(device.id);
    Q_EMIT loggingOutChanged();
    removeDevices(ListReload<DeviceSession>::removal(device.id));
}

QCoro::Task<> DeviceManagementViewModel::revokeOtherDevices()
{
    const auto current = std::find_if(m_devices.cbegin(), m_devices.cend(), isCurrent);
    if (current == m_devices.cend() || !current->deviceId)
        co_return;
    const QString deviceId = *current->deviceId;
    QPointer<DeviceManagementViewModel> self(this);
    try {
        co_await m_service->revokeOthers(deviceId);
        if (!self)
            co_return;
        removeDevices([](QList<DeviceSession>& devices) {
            return devices.removeIf([](const DeviceSession& d) { return !isCurrent(d); }) > 0;
        });
    } catch (const std::exception& error) {
        if (self)
            fail("devices.operation_failed", error);
    }
}

void DeviceManagementViewModel::removeDevices(ListReload<DeviceSession>::Edit removal)
{
    if (m_reload.apply(m_devices, std::move(removal)))
        Q_EMIT devicesChanged();
}
