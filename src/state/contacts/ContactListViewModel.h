#pragma once

#include "models/ChatGroup.h"
#include "models/Contact.h"
#include "state/common/ListReload.h"
#include "state/contacts/ContactSection.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class ContactService;
class GroupService;
class WebSocketService;
struct WSMessage;

// The contact column: contacts in server order and arranged under index letters,
// the user's groups, and the number of friend requests waiting. Presence events
// update contacts' online flags; an accepted friend request reloads everything.
class ContactListViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Contact> contacts READ contacts NOTIFY contactsChanged)
    Q_PROPERTY(QList<ChatGroup> groups READ groups NOTIFY groupsChanged)
    Q_PROPERTY(QList<ContactSection> sections READ sections NOTIFY sectionsChanged)
    Q_PROPERTY(qint64 pendingRequestCount READ pendingRequestCount NOTIFY pendingRequestCountChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    struct Dependencies {
        ContactService* contactService;
        GroupService* groupService;
        WebSocketService* wsService;
    };
    static Dependencies sharedDependencies();

    explicit ContactListViewModel(QObject* parent = nullptr);
    explicit ContactListViewModel(Dependencies dependencies, QObject* parent = nullptr);

    QList<Contact> contacts() const { return m_contacts; }
    QList<ChatGroup> groups() const { return m_groups; }
    QList<ContactSection> sections() const { return m_sections; }
    qint64 pendingRequestCount() const { return m_pendingRequestCount; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }

    // Contacts, groups and the pending count at once, applied in that order.
    // Never throws; a failure lands in error(). When loads overlap, only the
    // newest one's results are applied.
    QCoro::Task<> loadContacts();
    void buildSections();
    // Drops a contact the server has deleted (by the other user's id) and rebuilds
    // the sections; a load that was on its way does not bring it back.
    void removeContact(qint64 contactId);
    // The services the column's sheets use too.
    const Dependencies& dependencies() const { return m_deps; }

Q_SIGNALS:
    void contactsChanged();
    // The contact of that user was deleted: whatever shows it lets it go.
    void contactRemoved(qint64 contactId);
    void groupsChanged();
    void sectionsChanged();
    // Presence changed the online flag of every contact of that user, in
    // contacts and in sections alike; nothing moved.
    void presenceChanged(qint64 userId, bool online);
    void pendingRequestCountChanged();
    void isLoadingChanged();
    void errorChanged();

private:
    void setupSubscriptions();
    void handlePresence(qint64 userId, bool online);
    void handleFriendRequestFrame(const WSMessage& frame);
    void endWithError(const QString& error);
    void setIsLoading(bool loading);
    void setError(const QString& error);

    Dependencies m_deps;
    QList<Contact> m_contacts;
    QList<ChatGroup> m_groups;
    QList<ContactSection> m_sections;
    qint64 m_pendingRequestCount = 0;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    ListReload<Contact> m_reload;
};
