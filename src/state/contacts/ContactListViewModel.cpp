#include "state/contacts/ContactListViewModel.h"

#include "models/WSMessage.h"
#include "network/WebSocketService.h"
#include "services/ContactService.h"
#include "services/GroupService.h"
#include "state/common/ErrorDescription.h"

#include <QPointer>

namespace {

QCoro::Task<std::optional<qint64>> pendingCount(ContactService* service)
{
    try {
        co_return co_await service->getPendingRequestCount();
    } catch (const std::exception&) {
        co_return std::nullopt;
    }
}

QCoro::Task<> dropWhenDone(QCoro::Task<QList<ChatGroup>> groups, QCoro::Task<std::optional<qint64>> count)
{
    try {
        co_await std::move(groups);
    } catch (const std::exception&) {
    }
    co_await std::move(count);
}

} // namespace

ContactListViewModel::Dependencies ContactListViewModel::sharedDependencies()
{
    return Dependencies { &ContactService::shared(), &GroupService::shared(), WebSocketService::shared() };
}

ContactListViewModel::ContactListViewModel(QObject* parent)
    : ContactListViewModel(sharedDependencies(), parent)
{
}

ContactListViewModel::ContactListViewModel(Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_deps(dependencies)
{
    setupSubscriptions();
}

void ContactListViewModel::setupSubscriptions()
{
    connect(m_deps.wsService, &WebSocketService::presenceSubject, this, &ContactListViewModel::handlePresence,
            Qt::QueuedConnection);
    connect(m_deps.wsService, &WebSocketService::friendRequestSubject, this,
            &ContactListViewModel::handleFriendRequestFrame, Qt::QueuedConnection);
}

QCoro::Task<> ContactListViewModel::loadContacts()
{
    QPointer<ContactListViewModel> self(this);
    const quint64 ticket = m_reload.begin();
    auto stale = [&] { return !self || !m_reload.isLatest(ticket); };
    setIsLoading(true);

    // All three start now and run side by side; their results are applied in a
    // fixed order whatever order they finish in.
    QCoro::Task<QList<Contact>> contactsCall = m_deps.contactService->getContacts();
    QCoro::Task<QList<ChatGroup>> groupsCall = m_deps.groupService->getGroups();
    QCoro::Task<std::optional<qint64>> countCall = pendingCount(m_deps.contactService);

    QList<Contact> contacts;
    std::optional<QString> failure;
    try {
        contacts = co_await std::move(contactsCall);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (stale() || failure) {
        if (!stale())
            endWithError(*failure);
        // Calls still under way end before the load does, their results dropped:
        // nothing of a load outlives it.
        QCoro::Task<> rest = dropWhenDone(std::move(groupsCall), std::move(countCall));
        co_await std::move(rest);
        co_return;
    }
    m_reload.settle(contacts);
    m_contacts = std::move(contacts);
    Q_EMIT contactsChanged();

    QList<ChatGroup> groups;
    try {
        groups = co_await std::move(groupsCall);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (stale() || failure) {
        if (!stale())
            endWithError(*failure);
        co_await std::move(countCall);
        co_return;
    }
    m_groups = std::move(groups);
    Q_EMIT groupsChanged();

    const std::optional<qint64> count = co_await std::move(countCall);
    if (stale())
        co_return;
    m_pendingRequestCount = count.value_or(0);
    Q_EMIT pendingRequestCountChanged();

    buildSections();
    setIsLoading(false);
}

void ContactListViewModel::buildSections()
{
    m_sections = ContactSection::build(m_contacts);
    Q_EMIT sectionsChanged();
}

void ContactListViewModel::removeContact(qint64 contactId)
{
    const bool removed = m_reload.apply(m_contacts, [contactId](QList<Contact>& contacts) {
        return contacts.removeIf([contactId](const Contact& c) { return c.contactId == contactId; }) > 0;
    });
    if (removed) {
        Q_EMIT contactsChanged();
        buildSections();
    }
    Q_EMIT contactRemoved(contactId);
}

void ContactListViewModel::handlePresence(qint64 userId, bool online)
{
    bool matched = false;
    for (Contact& contact : m_contacts) {
        if (contact.contactId == userId) {
            contact.online = online;
            matched = true;
        }
    }
    if (!matched)
        return;
    Q_EMIT contactsChanged();
    // Presence moves nobody to another letter or place, so the sections take the
    // flag where they stand: with thousands of contacts a rebuild per event would
    // sort and transliterate them all again.
    for (ContactSection& section : m_sections) {
        for (Contact& contact : section.contacts) {
            if (contact.contactId == userId)
                contact.online = online;
        }
    }
    Q_EMIT presenceChanged(userId, online);
}

void ContactListViewModel::handleFriendRequestFrame(const WSMessage& frame)
{
    if (frame.type == u"friend_request_accepted")
        loadContacts();
}

void ContactListViewModel::endWithError(const QString& error)
{
    setError(error);
    setIsLoading(false);
}

void ContactListViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void ContactListViewModel::setError(const QString& error)
{
    m_error = error;
    Q_EMIT errorChanged();
}
