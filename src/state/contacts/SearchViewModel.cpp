#include "state/contacts/SearchViewModel.h"

#include "state/common/ErrorDescription.h"

#include <QPointer>

SearchViewModel::SearchViewModel(QObject* parent)
    : SearchViewModel(&SearchService::shared(), parent)
{
}

SearchViewModel::SearchViewModel(SearchService* searchService, QObject* parent)
    : QObject(parent)
    , m_searchService(searchService)
{
}

void SearchViewModel::setKeyword(const QString& keyword)
{
    if (m_keyword == keyword)
        return;
    m_keyword = keyword;
    Q_EMIT keywordChanged();
}

SearchViewModel::Content SearchViewModel::content() const
{
    if (m_isSearching)
        return Content::Searching;
    if (!m_result)
        return Content::Hint;
    if (m_result->contacts.isEmpty() && m_result->groups.isEmpty() && m_result->messages.isEmpty())
        return Content::NoResults;
    return Content::Results;
}

void SearchViewModel::performSearch()
{
    if (m_keyword.isEmpty())
        return;
    setIsSearching(true);
    setError(std::nullopt);
    search();
}

QCoro::Task<> SearchViewModel::search()
{
    QPointer<SearchViewModel> self(this);
    const quint64 generation = ++m_generation;
    std::optional<SearchService::GlobalSearchResult> result;
    std::optional<QString> failure;
    try {
        result = co_await m_searchService->globalSearch(m_keyword, limit);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    // A slower search of an earlier keyword must not replace the newest one's answer.
    if (!self || generation != m_generation)
        co_return;
    if (result) {
        m_result = std::move(result);
        Q_EMIT resultChanged();
    } else {
        setError(failure);
    }
    setIsSearching(false);
}

void SearchViewModel::clearSearch()
{
    setKeyword(QString());
    if (!m_result)
        return;
    m_result.reset();
    Q_EMIT resultChanged();
}

void SearchViewModel::setIsSearching(bool searching)
{
    if (m_isSearching == searching)
        return;
    m_isSearching = searching;
    Q_EMIT isSearchingChanged();
}

void SearchViewModel::setError(const std::optional<QString>& error)
{
    if (m_error == error)
        return;
    m_error = error;
    Q_EMIT errorChanged();
}
