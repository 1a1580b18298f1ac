#include "state/account/FavoritesViewModel.h"

#include "services/ChatService.h"
#include "state/common/ErrorDescription.h"

#include <QPointer>

namespace {

// Written between the failure's text and the error's description.
const QString fullWidthColon = QStringLiteral("\uFF1A");

} // namespace

FavoritesViewModel::FavoritesViewModel(QObject* parent)
    : FavoritesViewModel(&ChatService::shared(), parent)
{
}

FavoritesViewModel::FavoritesViewModel(ChatService* service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{
}

std::optional<QString> FavoritesViewModel::errorMessage() const
{
    if (!m_error)
        return std::nullopt;
    return m_error->text();
}

void FavoritesViewModel::clearError()
{
    if (!m_error)
        return;
    m_error.reset();
    Q_EMIT errorMessageChanged();
}

void FavoritesViewModel::fail(const char* key, const std::exception& error)
{
    m_error = ScreenError { QString::fromLatin1(key), fullWidthColon, errorDescription(error) };
    Q_EMIT errorMessageChanged();
}

void FavoritesViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

QCoro::Task<> FavoritesViewModel::loadFavorites()
{
    QPointer<FavoritesViewModel> self(this);
    const quint64 ticket = m_reload.begin();
    setIsLoading(true);
    try {
        QList<Message> favorites = co_await m_service->getFavorites(pageLimit, 0);
        if (!self || !m_reload.isLatest(ticket))
            co_return;
        m_reload.settle(favorites);
        m_favorites = std::move(favorites);
        m_loadFailure.reset();
        Q_EMIT favoritesChanged();
    } catch (const std::exception& error) {
        if (!self || !m_reload.isLatest(ticket))
            co_return;
        fail("favorites.load_failed", error);
        m_loadFailure = m_error;
    }
    setIsLoading(false);
}

QCoro::Task<> FavoritesViewModel::removeFavorite(Message message)
{
    QPointer<FavoritesViewModel> self(this);
    try {
        co_await m_service->removeFavorite(message.id);
        if (!self)
            co_return;
        if (m_reload.apply(m_favorites, ListReload<Message>::removal(message.id)))
            Q_EMIT favoritesChanged();
    } catch (const std::exception& error) {
        if (self)
            fail("favorites.remove_failed", error);
    }
}
