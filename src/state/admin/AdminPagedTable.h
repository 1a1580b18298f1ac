#pragma once

#include "network/APIClient.h"

#include <QCoroTask>
#include <QJsonValue>
#include <QObject>
#include <QSet>
#include <QString>

#include <exception>
#include <optional>
#include <utility>

// The state of one paged administration list (users, groups, messages): the search
// text, the page on screen with its rows and total, the spinner and the error text.
//
// A page is committed only when it has arrived: the page number, rows and total on
// screen always belong together, and a reply to an older load (an earlier search
// or page) is dropped once a newer load has started. A row action that ends while
// a load is on its way is applied to that load's page too, which may predate it.
// Every call goes through the API client's refresh-and-retry rule.
class AdminPagedTable : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(int page READ page NOTIFY pageChanged)
    Q_PROPERTY(qint64 total READ total NOTIFY totalChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString errorMessage READ errorText NOTIFY errorMessageChanged)

public:
    struct Setup {
        QString listPath; // e.g. "/api/admin/users"
        int pageSize;
        const char* loadFailedKey;
    };

    AdminPagedTable(APIClient& api, Setup setup, QObject* parent = nullptr);

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    int page() const { return m_page; }
    int pageSize() const { return m_setup.pageSize; }
    qint64 total() const { return m_total; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorText() const { return m_errorMessage.value_or(QString()); }
    // The alert was closed.
    void clearError();

    virtual int rowCount() const = 0;
    // A ban, dissolve or delete of the record with that id is on its way; pressing
    // it again sends nothing until it is back.
    bool isActing(qint64 id) const { return m_acting.contains(id); }
    bool canGoBack() const { return m_page >= 2; }
    // A full page may have a successor; a short one has none, whatever the total says.
    bool canGoForward() const { return rowCount() >= m_setup.pageSize; }

    // None of these throws. load() reads the page on screen again; the others ask
    // for page 1, the previous or the next page, which shows once it has arrived.
    QCoro::Task<> load();
    QCoro::Task<> searchFirstPage();
    QCoro::Task<> previousPage();
    QCoro::Task<> nextPage();

    // "page", "limit" and, when search is not empty, "search" exactly as typed.
    static APIClient::QueryItems queryItems(int page, int pageSize, const QString& search);

Q_SIGNALS:
    void searchTextChanged();
    void pageChanged();
    void totalChanged();
    // A new page (or a row gone): every row may differ.
    void rowsChanged();
    // One row of the page changed in place.
    void rowChanged(int row);
    void actingChanged(qint64 id);
    void isLoadingChanged();
    void errorMessageChanged();

protected:
    APIClient& api() const { return m_api; }
    // A load starts: the row actions that end from now on are applied to its page.
    virtual void pageRequested() = 0;
    // Decodes a list reply and keeps its rows (emitting rowsChanged), with the row
    // actions that ended since the latest pageRequested(); returns the number of
    // rows and the reply's total. Throws json::DecodeError before changing
    // anything when the reply is not a list of this table.
    virtual std::pair<int, std::optional<qint64>> takePage(const QJsonValue& reply) = 0;
    // The text of key followed directly by the error's description.
    void fail(const char* key, const std::exception& error);
    void setTotal(qint64 total);
    // Marks a row action of id as running; false (and nothing marked) when one
    // already runs. Each true is followed by endAction(id).
    bool beginAction(qint64 id);
    void endAction(qint64 id);

private:
    QCoro::Task<> loadPage(int page);
    void setIsLoading(bool loading);

    APIClient& m_api;
    Setup m_setup;
    QString m_searchText;
    int m_page = 1;
    qint64 m_total = 0;
    bool m_isLoading = true;
    std::optional<QString> m_errorMessage;
    quint64 m_generation = 0;
    QSet<qint64> m_acting;
};
