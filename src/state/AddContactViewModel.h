#pragma once

#include "models/User.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class ContactService;

// The add-contact sheet: searches users by keyword and sends friend requests.
// Made afresh for every presentation, so nothing here outlives the sheet.
class AddContactViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString keyword READ keyword WRITE setKeyword NOTIFY keywordChanged)
    Q_PROPERTY(QList<User> results READ results NOTIFY resultsChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    struct Dependencies {
        ContactService* contactService;
    };
    static Dependencies sharedDependencies();

    explicit AddContactViewModel(QObject* parent = nullptr);
    explicit AddContactViewModel(Dependencies dependencies, QObject* parent = nullptr);

    QString keyword() const { return m_keyword; }
    void setKeyword(const QString& keyword);
    QList<User> results() const { return m_results; }
    bool isSearching() const { return m_isSearching; }
    // A failure's description, or "add.not_found" in the language in force after a
    // search that found nobody.
    std::optional<QString> error() const;
    QString errorText() const { return error().value_or(QString()); }
    bool wasSent(qint64 userId) const { return m_sentRequests.contains(userId); }
    // True while the request to that user is on its way; another one meanwhile is ignored.
    bool isSending(qint64 userId) const { return m_sending.contains(userId); }
    // The search button's state; Return in the field searches even while a search runs.
    bool canSearch() const { return !m_keyword.isEmpty() && !m_isSearching; }

    // Searches the keyword as typed (not trimmed). When searches overlap only the
    // newest one's outcome is shown, and the spinner ends with it.
    QCoro::Task<> search();
    QCoro::Task<> sendRequest(User user);

Q_SIGNALS:
    void keywordChanged();
    void resultsChanged();
    void isSearchingChanged();
    void errorChanged();
    void sentRequestsChanged();
    void sendingChanged(qint64 userId);

private:
    void setIsSearching(bool searching);
    void setError(std::optional<QString> error, bool notFound = false);

    Dependencies m_deps;
    QString m_keyword;
    QList<User> m_results;
    bool m_isSearching = false;
    std::optional<QString> m_error;
    bool m_notFound = false;
    QSet<qint64> m_sentRequests;
    QSet<qint64> m_sending;
    quint64 m_searchGeneration = 0;
};
