#pragma once

#include "app/SettingsListView.h"
#include "app/SidebarSection.h"
#include "models/Contact.h"
#include "models/Conversation.h"

#include <QCoroTask>
#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class AuthViewModel;
class ChatView;
class ContactDetailView;
class ContactListModel;
class ContactListView;
class ContactListViewModel;
class ConversationListView;
class ConversationListViewModel;
class QStackedWidget;
class QToolButton;
class SearchView;
class SidebarView;

// The window a signed-in user works in: sidebar, the section's list and the
// detail. It owns the conversation-list and contact-list state, loads both when
// first shown, toggles the search and add-contact sheets, and opens a
// conversation when another screen posts "navigateToConversation".
class MainView : public QWidget {
    Q_OBJECT
public:
    explicit MainView(AuthViewModel* authViewModel, QWidget* parent = nullptr);
    ~MainView() override;

    SidebarSection selectedSection() const { return m_selectedSection; }
    void setSelectedSection(SidebarSection section);
    std::optional<Conversation> selectedConversation() const { return m_selectedConversation; }
    void setSelectedConversation(const std::optional<Conversation>& conversation);
    std::optional<Contact> selectedContact() const { return m_selectedContact; }
    void setSelectedContact(const std::optional<Contact>& contact);

    bool showSearch() const;
    bool showNewChat() const;
    void toggleSearch();
    void openNewChat();

    ConversationListViewModel* conversationListViewModel() const { return m_conversationListVM.get(); }
    ContactListViewModel* contactListViewModel() const { return m_contactListVM.get(); }
    // The chat screen in the detail column, when one is open.
    ChatView* chatView() const;
    // The contact detail in the detail column, when one is shown.
    ContactDetailView* contactDetailView() const;
    // The screen of the search sheet, made afresh each time the sheet opens.
    SearchView* searchView() const;

    // The launch load: the conversation list, then the contact list, never overlapping.
    QCoro::Task<> launchLoad();

Q_SIGNALS:
    void launchLoadFinished();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSection();
    // The chat header and the kept selection take the name the list now has.
    void followRenamedConversation();
    void showDetail();
    void setDetail(QWidget* widget);
    // Opening a chat on purpose puts the caret where the person writes.
    void focusChatInput();
    void retranslate();
    QDialog* searchSheet();
    void openSearch();

    AuthViewModel* m_auth;
    std::unique_ptr<ConversationListViewModel> m_conversationListVM;
    std::unique_ptr<ContactListViewModel> m_contactListVM;
    // Kept while the window lives: returning to the contacts section costs no rows.
    ContactListModel* m_contactListModel;
    SidebarSection m_selectedSection = SidebarSection::messages;
    std::optional<Conversation> m_selectedConversation;
    std::optional<Contact> m_selectedContact;
    std::optional<SettingsLink> m_settingsLink;
    bool m_launched = false;

    SidebarView* m_sidebar;
    QStackedWidget* m_content;
    QWidget* m_detailHolder;
    QWidget* m_detail = nullptr;
    // Kept from their first visit to the end of the window: returning to the
    // section reloads their data into the rows they have.
    ConversationListView* m_conversationList = nullptr;
    SettingsListView* m_settingsList = nullptr;
    ContactListView* m_contactList = nullptr;
    QToolButton* m_searchButton;
    QToolButton* m_newChatButton;
    QDialog* m_searchSheet;
    // Made afresh for every presentation.
    QPointer<QDialog> m_newChatSheet;
};
