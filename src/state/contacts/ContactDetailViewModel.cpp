#include "state/contacts/ContactDetailViewModel.h"

#include "models/Conversation.h"
#include "services/ChatService.h"
#include "services/ContactService.h"
#include "state/common/ErrorDescription.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "state/contacts/ContactListViewModel.h"
#include "state/contacts/ContactSection.h"

#include <QDebug>
#include <QPointer>
#include <QVariant>

ContactDetailViewModel::Dependencies ContactDetailViewModel::sharedDependencies()
{
    return Dependencies { &ChatService::shared(), &ContactService::shared(), &NotificationCenter::shared() };
}

ContactDetailViewModel::ContactDetailViewModel(Contact contact, QObject* parent)
    : ContactDetailViewModel(std::move(contact), sharedDependencies(), parent)
{
}

ContactDetailViewModel::ContactDetailViewModel(Contact contact, Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_contact(std::move(contact))
    , m_deps(dependencies)
{
}

QCoro::Task<> ContactDetailViewModel::startConversation()
{
    if (m_isCreatingChat)
        co_return;
    QPointer<ContactDetailViewModel> self(this);
    setIsCreatingChat(true);
    const Contact contact = m_contact;
    NotificationCenter* notifications = m_deps.notifications;
    const QList<qint64> members { contact.contactId };
    qint64 conversationId = 0;
    try {
        conversationId = co_await m_deps.chatService->createConversation(QStringLiteral("private"), std::nullopt, members);
    } catch (const std::exception& error) {
        qWarning().noquote().nospace() << "[ContactDetail] Failed to create conversation: " << errorDescription(error);
        if (self)
            setIsCreatingChat(false);
        co_return;
    }
    Conversation conversation;
    conversation.id = conversationId;
    conversation.type = QStringLiteral("private");
    conversation.name = ContactSection::displayName(contact);
    conversation.avatar = contact.avatar;
    notifications->post(NotificationName::navigateToConversation(),
        { { NotificationKey::conversation(), QVariant::fromValue(conversation) } });
    if (self)
        setIsCreatingChat(false);
}

void ContactDetailViewModel::requestDelete()
{
    if (!m_isDeleting)
        setIsConfirmingDelete(true);
}

void ContactDetailViewModel::cancelDelete()
{
    setIsConfirmingDelete(false);
}

QCoro::Task<> ContactDetailViewModel::confirmDelete()
{
    if (!m_isConfirmingDelete)
        co_return;
    QPointer<ContactDetailViewModel> self(this);
    setIsConfirmingDelete(false);
    setIsDeleting(true);
    setError(std::nullopt);
    const qint64 contactId = m_contact.contactId;
    QPointer<ContactListViewModel> contactList(m_deps.contactList);
    try {
        co_await m_deps.contactService->deleteContact(contactId);
    } catch (const std::exception& error) {
        if (self) {
            setError(errorDescription(error));
            setIsDeleting(false);
        }
        co_return;
    }
    if (self)
        setIsDeleting(false);
    if (contactList)
        contactList->removeContact(contactId);
}

void ContactDetailViewModel::setIsCreatingChat(bool creating)
{
    if (m_isCreatingChat == creating)
        return;
    m_isCreatingChat = creating;
    Q_EMIT isCreatingChatChanged();
}

void ContactDetailViewModel::setIsConfirmingDelete(bool confirming)
{
    if (m_isConfirmingDelete == confirming)
        return;
    m_isConfirmingDelete = confirming;
    Q_EMIT isConfirmingDeleteChanged();
}

void ContactDetailViewModel::setIsDeleting(bool deleting)
{
    if (m_isDeleting == deleting)
        return;
    m_isDeleting = deleting;
    Q_EMIT isDeletingChanged();
}

void ContactDetailViewModel::setError(std::optional<QString> error)
{
    if (m_error == error)
        return;
    m_error = std::move(error);
    Q_EMIT errorChanged();
}
