#include "state/contacts/VipCenterViewModel.h"

#include "state/common/ErrorDescription.h"
#include "state/common/WholeNumber.h"

#include <QPointer>

namespace {

template <typename T>
struct Outcome {
    std::optional<T> value;
    std::optional<QString> error;
};

// Catches here, so the levels request goes on to its end whatever the status did.
template <typename T>
QCoro::Task<Outcome<T>> settle(QCoro::Task<T> call)
{
    Outcome<T> outcome;
    try {
        outcome.value = co_await std::move(call);
    } catch (const std::exception& error) {
        outcome.error = errorDescription(error);
    }
    co_return outcome;
}

} // namespace

VipCenterViewModel::VipCenterViewModel(QObject* parent)
    : VipCenterViewModel(&VipService::shared(), parent)
{
}

VipCenterViewModel::VipCenterViewModel(VipService* service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{
}

QString VipCenterViewModel::levelTitle(const VipService::VipLevel& level)
{
    if (level.name)
        return *level.name;
    return QStringLiteral("VIP ") + QString::number(level.level.value_or(0));
}

std::optional<QString> VipCenterViewModel::priceText(const VipService::VipLevel& level)
{
    if (!level.price)
        return std::nullopt;
    return wholeNumberText(*level.price) + QStringLiteral(" 元/月");
}

bool VipCenterViewModel::isMember() const
{
    return m_status && m_status->isVip.value_or(false);
}

QString VipCenterViewModel::statusText() const
{
    if (isMember())
        return QStringLiteral("VIP ") + m_status->levelName.value_or(QString());
    return QStringLiteral("非VIP用户");
}

std::optional<QString> VipCenterViewModel::expiryText() const
{
    if (!m_status || !m_status->expiresAt)
        return std::nullopt;
    return QStringLiteral("到期时间: ") + *m_status->expiresAt;
}

QCoro::Task<> VipCenterViewModel::load()
{
    QPointer<VipCenterViewModel> self(this);
    const quint64 generation = ++m_generation;
    auto stale = [&] { return !self || generation != m_generation; };
    setIsLoading(true);

    QCoro::Task<Outcome<VipService::VipStatus>> statusCall = settle(m_service->getStatus());
    QCoro::Task<Outcome<QList<VipService::VipLevel>>> levelsCall = settle(m_service->getLevels());

    Outcome<VipService::VipStatus> status = co_await std::move(statusCall);
    if (!stale()) {
        m_status = std::move(status.value);
        m_statusError = std::move(status.error);
        Q_EMIT statusChanged();
    }
    Outcome<QList<VipService::VipLevel>> levels = co_await std::move(levelsCall);
    if (stale())
        co_return;
    m_levels = levels.value.value_or(QList<VipService::VipLevel>());
    m_levelsError = std::move(levels.error);
    Q_EMIT levelsChanged();
    setIsLoading(false);
}

void VipCenterViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}
