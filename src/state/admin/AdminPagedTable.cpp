#include "state/admin/AdminPagedTable.h"

#include "models/Json.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"

#include <QPointer>

using namespace Qt::StringLiterals;

AdminPagedTable::AdminPagedTable(APIClient& api, Setup setup, QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_setup(std::move(setup))
{
}

void AdminPagedTable::setSearchText(const QString& text)
{
    if (m_searchText == text)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged();
}

void AdminPagedTable::clearError()
{
    if (!m_errorMessage)
        return;
    m_errorMessage.reset();
    Q_EMIT errorMessageChanged();
}

APIClient::QueryItems AdminPagedTable::queryItems(int page, int pageSize, const QString& search)
{
    APIClient::QueryItems items { { u"page"_s, QString::number(page) }, { u"limit"_s, QString::number(pageSize) } };
    if (!search.isEmpty())
        items.append({ u"search"_s, search });
    return items;
}

QCoro::Task<> AdminPagedTable::load() { return loadPage(m_page); }
QCoro::Task<> AdminPagedTable::searchFirstPage() { return loadPage(1); }
QCoro::Task<> AdminPagedTable::previousPage() { return loadPage(std::max(m_page - 1, 1)); }
QCoro::Task<> AdminPagedTable::nextPage() { return loadPage(m_page + 1); }

QCoro::Task<> AdminPagedTable::loadPage(int page)
{
    const quint64 generation = ++m_generation;
    QPointer<AdminPagedTable> self(this);
    pageRequested();
    setIsLoading(true);
    try {
        const QJsonValue reply = co_await m_api.guardedRequest<QJsonValue>(
            "GET", m_setup.listPath, std::nullopt, queryItems(page, m_setup.pageSize, m_searchText));
        if (!self || generation != m_generation)
            co_return;
        try {
            const auto [rows, total] = takePage(reply);
            setTotal(total.value_or(rows));
        } catch (const json::DecodeError& error) {
            throw APIError::decodingError(error.description());
        }
        if (m_page != page) {
            m_page = page;
            Q_EMIT pageChanged();
        }
    } catch (const std::exception& error) {
        if (!self || generation != m_generation)
            co_return;
        fail(m_setup.loadFailedKey, error);
    }
    setIsLoading(false);
}

bool AdminPagedTable::beginAction(qint64 id)
{
    if (m_acting.contains(id))
        return false;
    m_acting.insert(id);
    Q_EMIT actingChanged(id);
    return true;
}

void AdminPagedTable::endAction(qint64 id)
{
    if (m_acting.remove(id))
        Q_EMIT actingChanged(id);
}

void AdminPagedTable::fail(const char* key, const std::exception& error)
{
    m_errorMessage = LocalizationManager::shared().localizedString(QString::fromLatin1(key)) + errorDescription(error);
    Q_EMIT errorMessageChanged();
}

void AdminPagedTable::setTotal(qint64 total)
{
    if (m_total == total)
        return;
    m_total = total;
    Q_EMIT totalChanged();
}

void AdminPagedTable::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}
