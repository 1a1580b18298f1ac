#include "state/contacts/GiftShopViewModel.h"

#include "network/APIClient.h"
#include "state/common/ErrorDescription.h"
#include "state/common/WholeNumber.h"
#include "state/contacts/PictureAddress.h"

#include <QPointer>

GiftShopViewModel::GiftShopViewModel(QObject* parent)
    : GiftShopViewModel(&GiftService::shared(), parent)
{
}

GiftShopViewModel::GiftShopViewModel(GiftService* service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{
}

QString GiftShopViewModel::displayName(const GiftService::Gift& gift)
{
    return gift.name.value_or(QStringLiteral("礼物"));
}

std::optional<QString> GiftShopViewModel::priceText(const GiftService::Gift& gift)
{
    if (!gift.price)
        return std::nullopt;
    return wholeNumberText(*gift.price) + QStringLiteral(" 金币");
}

QUrl GiftShopViewModel::iconUrl(const GiftService::Gift& gift) const
{
    return PictureAddress::resolve(gift.icon, m_service->api.baseURL());
}

QCoro::Task<> GiftShopViewModel::loadGifts()
{
    QPointer<GiftShopViewModel> self(this);
    const quint64 generation = ++m_generation;
    setIsLoading(true);
    std::optional<QList<GiftService::Gift>> gifts;
    std::optional<QString> failure;
    try {
        gifts = co_await m_service->getGifts();
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (!self || generation != m_generation)
        co_return;
    m_gifts = gifts.value_or(QList<GiftService::Gift>());
    Q_EMIT giftsChanged();
    if (m_error != failure) {
        m_error = failure;
        Q_EMIT errorChanged();
    }
    setIsLoading(false);
}

void GiftShopViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}
