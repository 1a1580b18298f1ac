#pragma once

#include "models/ChatGroup.h"
#include "models/Contact.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <optional>

class ContactListViewModel;
class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;

// The contacts section's middle column: the friend-requests button with its
// badge, the add-contact button, then the groups and the contacts under their
// letters. Selecting a contact is the main window's business; clicking a group
// opens its conversation through "navigateToConversation".
class ContactListView : public QWidget {
    Q_OBJECT
public:
    explicit ContactListView(ContactListViewModel* viewModel, QWidget* parent = nullptr);

    std::optional<Contact> selectedContact() const { return m_selected; }
    void setSelectedContact(const std::optional<Contact>& contact);

    // The badge's text, or nothing below one pending request.
    static std::optional<QString> badgeText(qint64 pendingRequestCount);
    void openGroup(const ChatGroup& group);
    QDialog* showFriendRequests();
    QDialog* showAddContact();
    QDialog* friendRequestsSheet() const { return m_friendRequestsSheet; }
    QDialog* addContactSheet() const { return m_addContactSheet; }

Q_SIGNALS:
    void selectedContactChanged(const std::optional<Contact>& contact);

private:
    void retranslate();
    void refresh();
    void updateBadge();
    void syncSelection();

    ContactListViewModel* m_viewModel;
    QLabel* m_title;
    QPushButton* m_friendRequestsButton;
    QLabel* m_friendRequestsLabel;
    QLabel* m_badge;
    QToolButton* m_addButton;
    QListWidget* m_list;
    std::optional<Contact> m_selected;
    QPointer<QDialog> m_friendRequestsSheet;
    QPointer<QDialog> m_addContactSheet;
};
