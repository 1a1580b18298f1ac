#pragma once

#include "services/SearchService.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

// The global search sheet: one keyword, searched when submitted, and the
// server's contacts, groups and messages, shown for reading only.
class SearchViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString keyword READ keyword WRITE setKeyword NOTIFY keywordChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    enum class Content { Searching, Hint, Results, NoResults };
    Q_ENUM(Content)

    static constexpr qint64 limit = 10;

    explicit SearchViewModel(QObject* parent = nullptr);
    explicit SearchViewModel(SearchService* searchService, QObject* parent = nullptr);

    QString keyword() const { return m_keyword; }
    void setKeyword(const QString& keyword);
    std::optional<SearchService::GlobalSearchResult> result() const { return m_result; }
    bool isSearching() const { return m_isSearching; }
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    // What the area under the field shows now.
    Content content() const;

    // Submit: nothing for an empty keyword (spaces count as a keyword and are
    // sent as typed); otherwise starts a search and clears the error.
    void performSearch();
    // One search of the keyword as it is when the call runs. When searches
    // overlap only the newest one's outcome is applied. Never throws.
    QCoro::Task<> search();
    // Empties the field and the results; an error stays until the next submit.
    void clearSearch();

Q_SIGNALS:
    void keywordChanged();
    void resultChanged();
    void isSearchingChanged();
    void errorChanged();

private:
    void setIsSearching(bool searching);
    void setError(const std::optional<QString>& error);

    SearchService* m_searchService;
    QString m_keyword;
    std::optional<SearchService::GlobalSearchResult> m_result;
    bool m_isSearching = false;
    std::optional<QString> m_error;
    quint64 m_generation = 0;
};
