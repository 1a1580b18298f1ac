#include "state/AddContactViewModel.h"

#include "services/ContactService.h"
#include "state/ErrorDescription.h"
#include "state/LocalizationManager.h"

#include <QPointer>

AddContactViewModel::Dependencies AddContactViewModel::sharedDependencies()
{
    return Dependencies { &ContactService::shared() };
}

AddContactViewModel::AddContactViewModel(QObject* parent)
    : AddContactViewModel(sharedDependencies(), parent)
{
}

AddContactViewModel::AddContactViewModel(Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_deps(dependencies)
{
}

void AddContactViewModel::setKeyword(const QString& keyword)
{
    if (m_keyword == keyword)
        return;
    m_keyword = keyword;
    Q_EMIT keywordChanged();
}

QCoro::Task<> AddContactViewModel::search()
{
    if (m_keyword.isEmpty())
        co_return;
    QPointer<AddContactViewModel> self(this);
    const quint64 generation = ++m_searchGeneration;
    setIsSearching(true);
    setError(std::nullopt);
    std::optional<QList<User>> found;
    std::optional<QString> failure;
    try {
        found = co_await m_deps.contactService->searchUsers(m_keyword);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    // An older search that ends after a newer one started changes nothing.
    if (!self || generation != m_searchGeneration)
        co_return;
    if (found) {
        m_results = std::move(*found);
        Q_EMIT resultsChanged();
        if (m_results.isEmpty())
            setError(std::nullopt, true);
    } else {
        setError(failure);
    }
    setIsSearching(false);
}

QCoro::Task<> AddContactViewModel::sendRequest(User user)
{
    if (m_sending.contains(user.id))
        co_return;
    QPointer<AddContactViewModel> self(this);
    m_sending.insert(user.id);
    Q_EMIT sendingChanged(user.id);
    std::optional<QString> failure;
    try {
        co_await m_deps.contactService->sendFriendRequest(user.id, std::nullopt);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (!self)
        co_return;
    // Sent before the send ends: the row goes from "on its way" straight to "sent".
    if (!failure)
        m_sentRequests.insert(user.id);
    m_sending.remove(user.id);
    Q_EMIT sendingChanged(user.id);
    if (failure)
        setError(*failure);
    else
        Q_EMIT sentRequestsChanged();
}

void AddContactViewModel::setIsSearching(bool searching)
{
    if (m_isSearching == searching)
        return;
    m_isSearching = searching;
    Q_EMIT isSearchingChanged();
}

std::optional<QString> AddContactViewModel::error() const
{
    if (m_notFound)
        return LocalizationManager::shared().localizedString(QStringLiteral("add.not_found"));
    return m_error;
}

void AddContactViewModel::setError(std::optional<QString> error, bool notFound)
{
    m_error = std::move(error);
    m_notFound = notFound;
    Q_EMIT errorChanged();
}
