#include "state/contacts/SearchViewModel.h"

#include "state/common/ErrorDescription.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"

#include <QPointer>
#include <QVariant>

SearchViewModel::Dependencies SearchViewModel::sharedDependencies()
{
    return Dependencies { &SearchService::shared(), &NotificationCenter::shared() };
}

SearchViewModel::SearchViewModel(QList<Conversation> knownConversations, QList<Contact> knownContacts, QObject* parent)
    : SearchViewModel(sharedDependencies(), std::move(knownConversations), std::move(knownContacts), parent)
{
}

SearchViewModel::SearchViewModel(Dependencies dependencies, QList<Conversation> knownConversations,
                                 QList<Contact> knownContacts, QObject* parent)
    : QObject(parent)
    , m_deps(dependencies)
    , m_knownConversations(std::move(knownConversations))
    , m_knownContacts(std::move(knownContacts))
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
        result = co_await m_deps.searchService->globalSearch(m_keyword, limit);
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

Contact SearchViewModel::contactFor(const SearchService::SearchUser& user, const QList<Contact>& known)
{
    for (const Contact& contact : known) {
        if (contact.contactId == user.id)
            return contact;
    }
    Contact contact;
    contact.contactId = user.id;
    contact.name = user.username;
    contact.avatar = user.avatar;
    contact.bio = user.bio;
    return contact;
}

std::optional<Conversation> SearchViewModel::conversationFor(const SearchService::SearchGroup& group,
                                                             const QList<Conversation>& known)
{
    if (!group.conversationId)
        return std::nullopt;
    for (const Conversation& conversation : known) {
        if (conversation.id == *group.conversationId)
            return conversation;
    }
    Conversation conversation;
    conversation.id = *group.conversationId;
    conversation.type = QStringLiteral("group");
    conversation.name = group.name;
    conversation.avatar = group.avatar;
    conversation.memberCount = group.memberCount;
    return conversation;
}

Conversation SearchViewModel::conversationFor(const SearchService::SearchMessage& message, const QList<Conversation>& known)
{
    for (const Conversation& conversation : known) {
        if (conversation.id == message.conversationId)
            return conversation;
    }
    // Not in the list the window holds (it may not have loaded yet): the id is
    // enough to open it; the window's reload fills in the rest.
    Conversation conversation;
    conversation.id = message.conversationId;
    return conversation;
}

void SearchViewModel::chooseContact(const SearchService::SearchUser& user)
{
    Q_EMIT contactChosen(contactFor(user, m_knownContacts));
    Q_EMIT finished();
}

void SearchViewModel::chooseGroup(const SearchService::SearchGroup& group)
{
    if (const std::optional<Conversation> conversation = conversationFor(group, m_knownConversations))
        openConversation(*conversation);
}

void SearchViewModel::chooseMessage(const SearchService::SearchMessage& message)
{
    openConversation(conversationFor(message, m_knownConversations));
}

void SearchViewModel::openConversation(const Conversation& conversation)
{
    m_deps.notifications->post(NotificationName::navigateToConversation(),
                               { { NotificationKey::conversation(), QVariant::fromValue(conversation) } });
    Q_EMIT finished();
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
