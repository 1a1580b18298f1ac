#pragma once

#include "models/ChatGroup.h"
#include "models/Contact.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <optional>

class ContactListModel;
class ContactListViewModel;
class QLabel;
class QListView;
class QPushButton;
class QToolButton;

// The contacts section's middle column: the friend-requests button with its
// badge, the add-contact button, then the groups and the contacts under their
// letters. Selecting a contact is the main window's business; clicking a group
// opens its conversation through "navigateToConversation". The rows come from a
// model that may outlive the screen, so coming back to the section costs no rows.
class ContactListView : public QWidget {
    Q_OBJECT
public:
    explicit ContactListView(ContactListViewModel* viewModel, QWidget* parent = nullptr);
    explicit ContactListView(ContactListModel* model, QWidget* parent = nullptr);

    std::optional<Contact> selectedContact() const { return m_selected; }
    void setSelectedContact(const std::optional<Contact>& contact);

    // The badge's text, or nothing below one pending request.
    static std::optional<QString> badgeText(qint64 pendingRequestCount);
    void openGroup(const ChatGroup& group);
    QDialog* showFriendRequests();
    QDialog* showAddContact();
    QDialog* friendRequestsSheet() const { return m_friendRequestsSheet; }
    QDialog* addContactSheet() const { return m_addContactSheet; }

    QListView* list() const { return m_list; }

Q_SIGNALS:
    // Also for a click on the contact already selected: its detail is shown afresh.
    void selectedContactChanged(const std::optional<Contact>& contact);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retranslate();
    void updateBadge();
    void syncSelection();
    void rowClicked(const QModelIndex& index);

    ContactListModel* m_model;
    ContactListViewModel* m_viewModel;
    QLabel* m_title;
    QPushButton* m_friendRequestsButton;
    QLabel* m_friendRequestsLabel;
    QLabel* m_badge;
    QToolButton* m_addButton;
    QListView* m_list;
    std::optional<Contact> m_selected;
    // The user selected when the button went down: a click that selects nothing new re-selects.
    std::optional<qint64> m_selectedAtPress;
    // The latest input to the list was the mouse: its clicks have acted already, so
    // the activation a double click (or a single one, on some platforms) adds does not.
    bool m_mouseInput = false;
    QPointer<QDialog> m_friendRequestsSheet;
    QPointer<QDialog> m_addContactSheet;
};
