#pragma once

#include "models/Contact.h"
#include "models/Conversation.h"
#include "services/SearchService.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class NotificationCenter;

// The global search sheet: one keyword, searched when submitted, and the
// server's contacts, groups and messages. Choosing a group or a message asks
// the main window to open its conversation; choosing a contact hands the
// contact to whoever shows contact details.
class SearchViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString keyword READ keyword WRITE setKeyword NOTIFY keywordChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    enum class Content { Searching, Hint, Results, NoResults };
    Q_ENUM(Content)

    static constexpr qint64 limit = 10;

    struct Dependencies {
        SearchService* searchService;
        NotificationCenter* notifications;
    };
    static Dependencies sharedDependencies();

    // knownConversations / knownContacts: the main window's lists, so that what
    // is opened carries its full name and fields rather than the search record's.
    explicit SearchViewModel(QList<Conversation> knownConversations = {}, QList<Contact> knownContacts = {},
                             QObject* parent = nullptr);
    SearchViewModel(Dependencies dependencies, QList<Conversation> knownConversations, QList<Contact> knownContacts,
                    QObject* parent = nullptr);

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

    void chooseContact(const SearchService::SearchUser& user);
    // Does nothing for a group whose conversation the server did not name.
    void chooseGroup(const SearchService::SearchGroup& group);
    void chooseMessage(const SearchService::SearchMessage& message);

    // The contact whose user is the found one: from the known list, else made
    // from the search record.
    static Contact contactFor(const SearchService::SearchUser& user, const QList<Contact>& known);
    static std::optional<Conversation> conversationFor(const SearchService::SearchGroup& group, const QList<Conversation>& known);
    static Conversation conversationFor(const SearchService::SearchMessage& message, const QList<Conversation>& known);

Q_SIGNALS:
    void keywordChanged();
    void resultChanged();
    void isSearchingChanged();
    void errorChanged();
    void contactChosen(const Contact& contact);
    // Something was chosen and the sheet has done its job.
    void finished();

private:
    void openConversation(const Conversation& conversation);
    void setIsSearching(bool searching);
    void setError(const std::optional<QString>& error);

    Dependencies m_deps;
    QList<Conversation> m_knownConversations;
    QList<Contact> m_knownContacts;
    QString m_keyword;
    std::optional<SearchService::GlobalSearchResult> m_result;
    bool m_isSearching = false;
    std::optional<QString> m_error;
    quint64 m_generation = 0;
};
