#pragma once

#include "models/Contact.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

class ChatService;
class ContactListViewModel;
class ContactService;
class NotificationCenter;

// The contact detail column: opens a private conversation with the contact,
// deletes the contact after the user confirms, and reports the person (through
// a ReportViewModel of its own). The column may be replaced while the server
// answers: an opened conversation and a deletion still reach the main window and
// the contact list, which outlive it.
class ContactDetailViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isCreatingChat READ isCreatingChat NOTIFY isCreatingChatChanged)
    Q_PROPERTY(bool isConfirmingDelete READ isConfirmingDelete NOTIFY isConfirmingDeleteChanged)
    Q_PROPERTY(bool isDeleting READ isDeleting NOTIFY isDeletingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    struct Dependencies {
        ChatService* chatService;
        ContactService* contactService;
        NotificationCenter* notifications;
        // Drops a deleted contact; none where no list shows it.
        ContactListViewModel* contactList = nullptr;
    };
    static Dependencies sharedDependencies();

    explicit ContactDetailViewModel(Contact contact, QObject* parent = nullptr);
    ContactDetailViewModel(Contact contact, Dependencies dependencies, QObject* parent = nullptr);

    const Contact& contact() const { return m_contact; }
    const Dependencies& dependencies() const { return m_deps; }
    bool isCreatingChat() const { return m_isCreatingChat; }
    bool isConfirmingDelete() const { return m_isConfirmingDelete; }
    bool isDeleting() const { return m_isDeleting; }
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }

    // Asks the server for the private conversation with the contact (it makes one
    // or returns the existing one) and posts "navigateToConversation" with it.
    // Ignored while a creation runs.
    QCoro::Task<> startConversation();

    // Deleting asks first: requestDelete() only raises the confirmation;
    // confirmDelete() sends it, cancelDelete() drops it.
    void requestDelete();
    void cancelDelete();
    QCoro::Task<> confirmDelete();

Q_SIGNALS:
    void isCreatingChatChanged();
    void isConfirmingDeleteChanged();
    void isDeletingChanged();
    void errorChanged();

private:
    void setIsCreatingChat(bool creating);
    void setIsConfirmingDelete(bool confirming);
    void setIsDeleting(bool deleting);
    void setError(std::optional<QString> error);

    Contact m_contact;
    Dependencies m_deps;
    bool m_isCreatingChat = false;
    bool m_isConfirmingDelete = false;
    bool m_isDeleting = false;
    std::optional<QString> m_error;
};
