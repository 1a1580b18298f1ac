#include "state/admin/AdminDashboardViewModel.h"

#include "network/APIClient.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"

#include <QPointer>

using namespace Qt::StringLiterals;

AdminDashboardViewModel::AdminDashboardViewModel(APIClient& api, QObject* parent)
    : QObject(parent)
    , m_api(api)
{
}

void AdminDashboardViewModel::clearError()
{
    if (!m_errorMessage)
        return;
    m_errorMessage.reset();
    Q_EMIT errorMessageChanged();
}

QList<qint64> AdminDashboardViewModel::tileValues() const
{
    const AdminStats s = m_stats.value_or(AdminStats {});
    return { s.totalUsers.value_or(0), s.onlineUsers.value_or(0), s.totalMessages.value_or(0), s.activeGroups.value_or(0) };
}

QCoro::Task<> AdminDashboardViewModel::loadStats()
{
    const quint64 generation = ++m_generation;
    QPointer<AdminDashboardViewModel> self(this);
    setIsLoading(true);
    try {
        std::optional<AdminStats> stats = co_await m_api.guardedRequest<std::optional<AdminStats>>("GET", u"/api/admin/stats"_s);
        if (!self || generation != m_generation)
            co_return;
        m_stats = std::move(stats);
        Q_EMIT statsChanged();
    } catch (const std::exception& error) {
        if (!self || generation != m_generation)
            co_return;
        m_errorMessage = LocalizationManager::shared().localizedString(u"admin.load_stats_failed"_s) + errorDescription(error);
        Q_EMIT errorMessageChanged();
    }
    setIsLoading(false);
}

void AdminDashboardViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}
