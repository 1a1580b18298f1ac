#include "app/MainView.h"

#include "app/SettingsListView.h"
#include "app/SidebarView.h"
#include "network/WebSocketService.h"
#include "services/GroupService.h"
#include "state/contacts/AddContactViewModel.h"
#include "state/contacts/ContactDetailViewModel.h"
#include "state/contacts/GroupRolesMenuViewModel.h"
#include "state/chat/AuthViewModel.h"
#include "state/contacts/ContactListViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/chat/ConversationListViewModel.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "state/contacts/SearchViewModel.h"
#include "state/chat/UserInfo.h"
#include "views/account/GeneralSettingsView.h"
#include "views/account/FavoritesView.h"
#include "views/account/FileManagementView.h"
#include "views/chat/ChatView.h"
#include "views/chat/ConversationListView.h"
#include "views/chat/ConversationRow.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/PlaceholderView.h"
#include "views/common/Sheet.h"
#include "views/common/VisualTabOrder.h"
#include "views/contacts/AddContactView.h"
#include "views/contacts/ContactDetailView.h"
#include "views/contacts/ContactListModel.h"
#include "views/contacts/ContactListView.h"
#include "views/contacts/GroupRolesButton.h"
#include "views/contacts/MomentsView.h"
#include "views/contacts/SearchView.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QPointer>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

MainView::MainView(AuthViewModel* authViewModel, QWidget* parent)
    : QWidget(parent)
    , m_auth(authViewModel)
    , m_conversationListVM(std::make_unique<ConversationListViewModel>(authViewModel->user() ? authViewModel->user()->id : 0))
    , m_contactListVM(std::make_unique<ContactListViewModel>())
    , m_contactListModel(new ContactListModel(m_contactListVM.get(), this))
    , m_sidebar(new SidebarView(authViewModel, WebSocketService::shared(), this))
    , m_content(new QStackedWidget(this))
    , m_detailHolder(new QWidget(this))
    , m_searchButton(new QToolButton(this))
    , m_newChatButton(new QToolButton(this))
    , m_searchSheet(searchSheet())
{
    setObjectName(QStringLiteral("mainView"));
    VisualTabOrder::keep(this);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("mainSplit"));
    split->setChildrenCollapsible(false);
    split->setHandleWidth(1);
    split->setStyleSheet(QStringLiteral("QSplitter::handle { background: rgba(0,0,0,30); }"));
    root->addWidget(split);

    m_content->setObjectName(QStringLiteral("contentColumn"));
    m_content->setMinimumWidth(260);

    auto* detailColumn = new QWidget(split);
    auto* detailLayout = new QVBoxLayout(detailColumn);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(8, 4, 8, 4);
    toolbar->addStretch(1);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    m_newChatButton->setObjectName(QStringLiteral("newChatButton"));
    for (auto [button, symbol] : { std::pair { m_searchButton, "magnifyingglass" }, std::pair { m_newChatButton, "square.and.pencil" } }) {
        button->setAutoRaise(true);
        button->setCursor(Qt::PointingHandCursor);
        Icons::apply(button, QString::fromLatin1(symbol), 18, Appearance::secondaryText());
        toolbar->addWidget(button);
    }
    detailLayout->addLayout(toolbar);
    auto* detailStack = new QVBoxLayout(m_detailHolder);
    detailStack->setContentsMargins(0, 0, 0, 0);
    detailLayout->addWidget(m_detailHolder, 1);

    split->addWidget(m_sidebar);
    split->addWidget(m_content);
    split->addWidget(detailColumn);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 0);
    split->setStretchFactor(2, 1);
    split->setSizes({ 190, 300, 610 });

    connect(m_searchButton, &QToolButton::clicked, this, &MainView::toggleSearch);
    connect(m_newChatButton, &QToolButton::clicked, this, &MainView::openNewChat);
    auto* findShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    findShortcut->setContext(Qt::WindowShortcut);
    connect(findShortcut, &QShortcut::activated, this, &MainView::toggleSearch);
    // The open sheet has the focus; the same keys close it again.
    m_searchSheet->installEventFilter(this);
    auto* newShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), this);
    newShortcut->setContext(Qt::WindowShortcut);
    connect(newShortcut, &QShortcut::activated, this, &MainView::openNewChat);

    connect(m_sidebar, &SidebarView::selectedSectionChanged, this, &MainView::setSelectedSection);
    connect(m_conversationListVM.get(), &ConversationListViewModel::conversationsChanged, this, &MainView::followRenamedConversation);
    // Queued: a deletion may be reported from inside the detail it clears.
    connect(m_contactListVM.get(), &ContactListViewModel::contactRemoved, this, [this](qint64 contactId) {
        if (!m_selectedContact || m_selectedContact->contactId != contactId)
            return;
        const QWidget* last = window()->focusWidget();
        const bool keyboardInDetail = !last || m_detailHolder->isAncestorOf(last);
        setSelectedContact(std::nullopt);
        // The detail the keyboard was in went with the contact: it goes on in the
        // list, at the row that took the contact's place.
        if (keyboardInDetail && m_contactList)
            m_contactList->list()->setFocus(Qt::OtherFocusReason);
    }, Qt::QueuedConnection);
    connect(m_auth, &AuthViewModel::userChanged, this, [this] {
        if (m_selectedSection == SidebarSection::messages)
            showDetail();
    });

    QPointer<MainView> self(this);
    NotificationCenter::shared().observe(NotificationName::navigateToConversation(), this, [self](const QVariantMap& info) {
        const std::optional<Conversation> conversation = userInfo::record<Conversation>(info, QStringLiteral("conversation"));
        if (!self || !conversation)
            return;
        // A return to the section reloads the list by itself.
        const bool wasThere = self->m_selectedSection == SidebarSection::messages;
        self->setSelectedSection(SidebarSection::messages);
        self->setSelectedConversation(conversation);
        self->focusChatInput();
        if (wasThere)
            self->m_conversationListVM->loadConversations();
    });

    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &MainView::retranslate);
    retranslate();
    showSection();
}

MainView::~MainView()
{
    // The chat screen's state object posts "conversationInactive" as it goes; let it
    // go while the list state that listens still exists.
    delete m_detail;
    m_detail = nullptr;
}

void MainView::retranslate()
{
    m_searchSheet->setWindowTitle(Localized::text("search.title"));
    // Icon buttons: named by what they do, the tooltip adds the keys.
    m_searchButton->setAccessibleName(Localized::text("common.search"));
    m_searchButton->setToolTip(Localized::withShortcut(Localized::text("common.search"), QKeySequence(Qt::CTRL | Qt::Key_F)));
    m_newChatButton->setAccessibleName(Localized::text("contacts.add_title"));
    m_newChatButton->setToolTip(Localized::withShortcut(Localized::text("contacts.add_title"), QKeySequence(Qt::CTRL | Qt::Key_N)));
}

QDialog* MainView::searchSheet()
{
    auto* dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("searchSheet"));
    dialog->setFixedSize(500, 600);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    Sheet::setUpKeyboard(dialog);
    return dialog;
}

SearchView* MainView::searchView() const
{
    return m_searchSheet->findChild<SearchView*>(QString(), Qt::FindDirectChildrenOnly);
}

void MainView::openSearch()
{
    // Each opening starts afresh: nothing of an earlier search is kept.
    delete searchView();
    auto* view = new SearchView(std::make_unique<SearchViewModel>(), m_searchSheet);
    m_searchSheet->layout()->addWidget(view);
    m_searchSheet->setWindowTitle(Localized::text("search.title"));
    connect(view, &SearchView::dismissRequested, m_searchSheet, &QDialog::close);
    // The sheet puts the caret in its field as it opens.
    m_searchSheet->open();
}

bool MainView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_searchSheet && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F && key->modifiers() == Qt::ControlModifier) {
            toggleSearch();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool MainView::showSearch() const { return m_searchSheet->isVisible(); }

bool MainView::showNewChat() const { return m_newChatSheet && m_newChatSheet->isVisible(); }

void MainView::toggleSearch()
{
    if (m_searchSheet->isVisible())
        m_searchSheet->close();
    else
        openSearch();
}

void MainView::openNewChat()
{
    if (!m_newChatSheet)
        m_newChatSheet = Sheet::present(this, new AddContactView(new AddContactViewModel), QSize(400, 500), QStringLiteral("addContactSheet"));
}

void MainView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_launched)
        return;
    m_launched = true;
    // Signed in, the work starts in the conversation list.
    if (m_conversationList)
        m_conversationList->focusList();
    launchLoad();
}

void MainView::focusChatInput()
{
    if (ChatView* chat = chatView())
        chat->focusInput();
}

QCoro::Task<> MainView::launchLoad()
{
    QPointer<MainView> self(this);
    co_await m_conversationListVM->loadConversations();
    if (!self)
        co_return;
    co_await m_contactListVM->loadContacts();
    if (self)
        Q_EMIT self->launchLoadFinished();
}

void MainView::setSelectedSection(SidebarSection section)
{
    m_sidebar->setSelectedSection(section);
    if (section == m_selectedSection)
        return;
    m_selectedSection = section;
    showSection();
}

void MainView::setSelectedConversation(const std::optional<Conversation>& conversation)
{
    const bool sameChat = m_selectedConversation && conversation && m_selectedConversation->id == conversation->id;
    m_selectedConversation = conversation;
    if (m_conversationList)
        m_conversationList->setSelectedConversation(conversation);
    if (m_selectedSection == SidebarSection::messages && !(sameChat && chatView()))
        showDetail();
}

void MainView::followRenamedConversation()
{
    if (!m_selectedConversation)
        return;
    for (const Conversation& listed : m_conversationListVM->conversations()) {
        if (listed.id != m_selectedConversation->id)
            continue;
        if (listed.name != m_selectedConversation->name) {
            m_selectedConversation->name = listed.name;
            if (ChatView* chat = chatView(); chat && chat->conversationId() == listed.id)
                chat->setConversationName(ConversationRow::displayName(listed));
        }
        return;
    }
}

ChatView* MainView::chatView() const
{
    return qobject_cast<ChatView*>(m_detail);
}

ContactDetailView* MainView::contactDetailView() const
{
    return qobject_cast<ContactDetailView*>(m_detail);
}

void MainView::setSelectedContact(const std::optional<Contact>& contact)
{
    // Every choice of a contact shows its detail afresh, the same contact's too:
    // that is how its presence and profile are brought up to date.
    m_selectedContact = contact;
    if (m_contactList)
        m_contactList->setSelectedContact(contact);
    if (m_selectedSection == SidebarSection::contacts)
        showDetail();
}

void MainView::showSection()
{
    // The kept screens wait in the stack for the next visit; the others go.
    const QList<QWidget*> kept { m_conversationList, m_settingsList };
    for (int i = m_content->count() - 1; i >= 0; --i) {
        QWidget* old = m_content->widget(i);
        if (kept.contains(old))
            continue;
        m_content->removeWidget(old);
        old->deleteLater();
    }
    m_contactList = nullptr;
    QWidget* column = nullptr;
    switch (m_selectedSection) {
    case SidebarSection::messages:
        if (!m_conversationList) {
            m_conversationList = new ConversationListView(m_conversationListVM.get(), m_content);
            connect(m_conversationList, &ConversationListView::selectedConversationChanged, this, &MainView::setSelectedConversation);
            connect(m_conversationList, &ConversationListView::conversationOpened, this, &MainView::focusChatInput);
        } else {
            // Back in the section: names and previews as the server has them now.
            m_conversationListVM->loadConversations();
        }
        m_conversationList->setSelectedConversation(m_selectedConversation);
        column = m_conversationList;
        break;
    case SidebarSection::contacts:
        m_contactList = new ContactListView(m_contactListModel, m_content);
        m_contactList->setSelectedContact(m_selectedContact);
        connect(m_contactList, &ContactListView::selectedContactChanged, this, &MainView::setSelectedContact);
        column = m_contactList;
        break;
    case SidebarSection::moments:
        column = new MomentsView(m_auth->user() ? m_auth->user()->id : 0, m_content);
        break;
    case SidebarSection::settings:
        if (!m_settingsList) {
            m_settingsList = new SettingsListView(m_auth, m_content);
            connect(m_settingsList, &SettingsListView::linkChosen, this, [this](SettingsLink link) {
                m_settingsLink = link;
                showDetail();
            });
        }
        column = m_settingsList;
        break;
    // Every visit of these two starts afresh: list, page and error of the last one go.
    case SidebarSection::favorites:
        column = new FavoritesView(m_content);
        break;
    case SidebarSection::files:
        column = new FileManagementView(m_content);
        break;
    }
    if (m_content->indexOf(column) < 0)
        m_content->addWidget(column);
    m_content->setCurrentWidget(column);
    showDetail();
}

void MainView::showDetail()
{
    switch (m_selectedSection) {
    case SidebarSection::messages: {
        const std::optional<User> user = m_auth->user();
        if (m_selectedConversation && user) {
            if (ChatView* open = chatView(); open && open->conversationId() == m_selectedConversation->id)
                return;
            auto* chat = new ChatView(m_selectedConversation->id, user->id, ConversationRow::displayName(*m_selectedConversation));
            // Only a group's owner sees the role menu; the button finds out by itself.
            if (m_selectedConversation->type == u"group")
                chat->addHeaderWidget(new GroupRolesButton(new GroupRolesMenuViewModel(m_selectedConversation->id, user->id, &GroupService::shared())));
            setDetail(chat);
        } else {
            setDetail(new PlaceholderView(QStringLiteral("content.select_conversation")));
        }
        break;
    }
    case SidebarSection::contacts:
        if (m_selectedContact) {
            ContactDetailViewModel::Dependencies dependencies = ContactDetailViewModel::sharedDependencies();
            dependencies.contactList = m_contactListVM.get();
            setDetail(new ContactDetailView(new ContactDetailViewModel(*m_selectedContact, dependencies)));
        } else {
            setDetail(new PlaceholderView(QStringLiteral("content.select_contact")));
        }
        break;
    case SidebarSection::moments:
        setDetail(new PlaceholderView(QStringLiteral("moments.title")));
        break;
    case SidebarSection::favorites:
        setDetail(new PlaceholderView(QStringLiteral("favorites.title")));
        break;
    case SidebarSection::files:
        setDetail(new PlaceholderView(QStringLiteral("files.title")));
        break;
    case SidebarSection::settings:
        // With no link chosen yet the detail shows the general settings.
        setDetail(m_settingsList && m_settingsLink ? m_settingsList->destination(*m_settingsLink, nullptr)
                                                        : new GeneralSettingsView(m_auth));
        break;
    }
}

void MainView::setDetail(QWidget* widget)
{
    delete m_detail;
    m_detail = widget;
    m_detailHolder->layout()->addWidget(widget);
    widget->show();
}
