#include "state/admin/SystemConfigViewModel.h"

#include "models/SystemConfig.h"
#include "services/Procedure.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"

#include <QPointer>

using namespace Qt::StringLiterals;

SystemConfigViewModel::SystemConfigViewModel(APIClient& api, QObject* parent)
    : QObject(parent)
    , m_api(api)
{
}

void SystemConfigViewModel::setMaxGroupMembers(const QString& text)
{
    if (m_maxGroupMembers == text)
        return;
    m_maxGroupMembers = text;
    Q_EMIT formChanged();
    Q_EMIT stateChanged();
}

void SystemConfigViewModel::setMessageRetentionDays(const QString& text)
{
    if (m_messageRetentionDays == text)
        return;
    m_messageRetentionDays = text;
    Q_EMIT formChanged();
    Q_EMIT stateChanged();
}

void SystemConfigViewModel::setScreenshotProtection(bool on)
{
    if (m_screenshotProtection == on)
        return;
    m_screenshotProtection = on;
    Q_EMIT formChanged();
}

void SystemConfigViewModel::setAllowRegistration(bool on)
{
    if (m_allowRegistration == on)
        return;
    m_allowRegistration = on;
    Q_EMIT formChanged();
}

bool SystemConfigViewModel::canSave() const
{
    return m_loaded && !m_isSaving && field(m_maxGroupMembers, maxGroupMembersRange) != Field::Invalid
        && field(m_messageRetentionDays, retentionDaysRange) != Field::Invalid;
}

void SystemConfigViewModel::clearError()
{
    if (!m_errorMessage)
        return;
    m_errorMessage.reset();
    Q_EMIT errorMessageChanged();
}

std::optional<qint64> SystemConfigViewModel::wholeNumber(const QString& text)
{
    qsizetype digitsFrom = (text.startsWith(u'+') || text.startsWith(u'-')) ? 1 : 0;
    if (text.size() == digitsFrom)
        return std::nullopt;
    for (qsizetype i = digitsFrom; i < text.size(); ++i) {
        if (text.at(i) < u'0' || text.at(i) > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

SystemConfigViewModel::Field SystemConfigViewModel::field(const QString& text, Range range)
{
    if (text.isEmpty())
        return Field::Empty;
    const std::optional<qint64> number = wholeNumber(text);
    return number && *number >= range.minimum && *number <= range.maximum ? Field::Valid : Field::Invalid;
}

QCoro::Task<> SystemConfigViewModel::load()
{
    QPointer<SystemConfigViewModel> self(this);
    m_isLoading = true;
    Q_EMIT stateChanged();
    try {
        const SystemConfig config = co_await procedure::query<SystemConfig>(m_api, u"admin.getSystemConfig"_s);
        if (!self)
            co_return;
        if (config.maxGroupMembers)
            m_maxGroupMembers = QString::number(*config.maxGroupMembers);
        if (config.messageRetentionDays)
            m_messageRetentionDays = QString::number(*config.messageRetentionDays);
        m_screenshotProtection = config.screenshotProtection.value_or(false);
        m_allowRegistration = config.allowRegistration.value_or(true);
        m_loaded = true;
        m_loadFailed = false;
        Q_EMIT formChanged();
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        m_loadFailed = !m_loaded;
        setError("admin.config_load_failed", error);
    }
    m_isLoading = false;
    Q_EMIT stateChanged();
}

QCoro::Task<> SystemConfigViewModel::save()
{
    if (!canSave())
        co_return;
    QPointer<SystemConfigViewModel> self(this);
    m_isSaving = true;
    Q_EMIT stateChanged();
    const SystemConfig config { wholeNumber(m_maxGroupMembers), wholeNumber(m_messageRetentionDays), m_screenshotProtection,
                                m_allowRegistration };
    try {
        co_await procedure::mutation<void>(m_api, u"admin.updateSystemConfig"_s, config);
        if (!self)
            co_return;
        m_isSaving = false;
        Q_EMIT stateChanged();
        Q_EMIT saved();
        co_return;
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        setError("admin.config_save_failed", error);
    }
    m_isSaving = false;
    Q_EMIT stateChanged();
}

void SystemConfigViewModel::setError(const char* key, const std::exception& error)
{
    m_errorMessage = LocalizationManager::shared().localizedString(QString::fromLatin1(key)) + errorDescription(error);
    Q_EMIT errorMessageChanged();
}
