#include "views/chat/ConversationListView.h"

#include "state/chat/ConversationListViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/chat/ConversationListModel.h"
#include "views/chat/ConversationRow.h"
#include "views/common/Appearance.h"
#include "views/common/ContextMenu.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>

ConversationListView::ConversationListView(ConversationListViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_model(new ConversationListModel(this))
    , m_search(new QLineEdit(this))
    , m_clear(new QToolButton(this))
    , m_list(new QListView(this))
{
    setObjectName(QStringLiteral("conversationListView"));
    setMinimumWidth(260);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* title = new QLabel(this);
    m_title = title;
    title->setObjectName(QStringLiteral("conversationListTitle"));
    title->setFont(Appearance::font(Appearance::TextStyle::Headline));
    title->setContentsMargins(14, 12, 14, 2);
    title->setAttribute(Qt::WA_StyledBackground);
    title->setStyleSheet(QStringLiteral("#conversationListTitle { background: %1; }").arg(Appearance::barBackground().name()));
    column->addWidget(title);

    auto* searchBar = new QWidget(this);
    searchBar->setObjectName(QStringLiteral("conversationSearchBar"));
    searchBar->setAttribute(Qt::WA_StyledBackground);
    searchBar->setStyleSheet(QStringLiteral("#conversationSearchBar { background: %1; }").arg(Appearance::barBackground().name()));
    auto* searchRow = new QHBoxLayout(searchBar);
    searchRow->setContentsMargins(8, 8, 8, 8);
    auto* glass = new QLabel(searchBar);
    glass->setObjectName(QStringLiteral("searchIcon"));
    Icons::apply(glass, QStringLiteral("magnifyingglass"), 16, Appearance::secondaryText());
    m_search->setObjectName(QStringLiteral("conversationSearchField"));
    m_search->setFrame(false);
    m_search->setStyleSheet(Appearance::searchFieldStyle());
    m_search->setText(m_viewModel->searchText());
    m_clear->setObjectName(QStringLiteral("clearSearchButton"));
    m_clear->setAutoRaise(true);
    m_clear->setCursor(Qt::PointingHandCursor);
    Icons::apply(m_clear, QStringLiteral("xmark.circle.fill"), 14, Appearance::secondaryText());
    m_clear->setVisible(!m_search->text().isEmpty());
    searchRow->addWidget(glass);
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(m_clear);
    column->addWidget(searchBar);

    column->addWidget(divider(this));

    m_list->setObjectName(QStringLiteral("conversationList"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new ConversationRow(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    // Opening takes a click, Return or Space: the focus alone only shows where the keyboard is.
    ListKeyboard::attach(m_list)->showCurrentRowOnEntry();
    m_list->viewport()->installEventFilter(this);
    column->addWidget(m_list, 1);
    m_listFocusPolicy = m_list->focusPolicy();

    connect(m_search, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_clear->setVisible(!text.isEmpty());
        m_viewModel->setSearchText(text);
    });
    connect(m_clear, &QToolButton::clicked, this, [this] {
        m_search->clear();
        // The button goes away under the keyboard: the field it emptied takes it.
        if (m_clear->hasFocus())
            m_search->setFocus(Qt::OtherFocusReason);
        m_clear->hide();
        m_viewModel->setSearchText(QString());
    });
    connect(m_viewModel, &ConversationListViewModel::searchTextChanged, this, [this] {
        if (m_search->text() != m_viewModel->searchText()) {
            m_search->setText(m_viewModel->searchText());
            m_clear->setVisible(!m_search->text().isEmpty());
        }
    });
    connect(m_viewModel, &ConversationListViewModel::filteredConversationsChanged, this, &ConversationListView::refresh);
    connect(m_viewModel, &ConversationListViewModel::filteredConversationMoved, this, [this](int from, int to) {
        m_model->moveConversation(from, to, m_viewModel->filteredConversations().at(to));
        syncSelection();
    });
    connect(m_viewModel, &ConversationListViewModel::isLoadingChanged, this, [this] {
        m_loadedOnce = m_loadedOnce || !m_viewModel->isLoading();
        settleEmptyList();
    });
    connect(m_viewModel, &ConversationListViewModel::pendingDeletionChanged, this, &ConversationListView::confirmDeletion);
    connect(m_viewModel, &ConversationListViewModel::deleteFailed, this, [this](const QString& error) { Sheet::showError(this, error); });
    // Selection, not the current index: the list makes its first row current (without
    // selecting it) whenever it gets the focus back, e.g. when a context menu closes.
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
        if (selected.isEmpty())
            return;
        const Conversation& conversation = m_model->conversationAt(selected.first().row());
        if (m_selected && m_selected->id == conversation.id)
            return;
        m_selected = conversation;
        Q_EMIT selectedConversationChanged(m_selected);
    });
    // Return opens the row the keyboard is on (choosing it first, as a click does).
    connect(m_list, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        m_list->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
        Q_EMIT conversationOpened();
    });
    connect(m_list, &QAbstractItemView::clicked, this, [this] { Q_EMIT conversationOpened(); });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = m_list->indexAt(pos);
        if (index.isValid())
            contextMenu(m_model->conversationAt(index.row()))->popup(m_list->viewport()->mapToGlobal(pos));
    });
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ConversationListView::retranslate);
    retranslate();
    refresh();
}

void ConversationListView::focusList()
{
    m_list->setFocus(Qt::OtherFocusReason);
}

void ConversationListView::retranslate()
{
    m_title->setText(Localized::text("conversation.title"));
    m_search->setPlaceholderText(Localized::text("conversation.search_placeholder"));
    m_search->setAccessibleName(Localized::text("conversation.search_placeholder"));
    m_clear->setAccessibleName(Localized::text("common.clear_search"));
    m_clear->setToolTip(Localized::text("common.clear_search"));
    m_list->setAccessibleName(Localized::text("conversation.title"));
    // Rows say "yesterday" in the language in force.
    m_list->viewport()->update();
}

bool ConversationListView::eventFilter(QObject* watched, QEvent* event)
{
    // A right click only opens the row's menu; it must not select the row and so
    // open that conversation behind the menu.
    if (watched == m_list->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
        return true;
    return QWidget::eventFilter(watched, event);
}

void ConversationListView::confirmDeletion()
{
    if (!m_viewModel->pendingDeletion())
        return;
    QPointer<ConversationListViewModel> viewModel(m_viewModel);
    Sheet::confirm(this, Localized::text("conversation.delete_confirm"), Localized::text("common.delete"),
        [viewModel] {
            if (viewModel)
                viewModel->confirmDelete();
        },
        [viewModel] {
            if (viewModel)
                viewModel->cancelDelete();
        });
}

void ConversationListView::refresh()
{
    m_model->setConversations(m_viewModel->filteredConversations());
    syncSelection();
    settleEmptyList();
}

void ConversationListView::settleEmptyList()
{
    const bool empty = m_model->rowCount() == 0 && m_loadedOnce && !m_viewModel->isLoading();
    m_list->setFocusPolicy(empty ? Qt::NoFocus : m_listFocusPolicy);
    if (empty && m_list->hasFocus())
        m_search->setFocus(Qt::OtherFocusReason);
}

void ConversationListView::setSelectedConversation(const std::optional<Conversation>& conversation)
{
    m_selected = conversation;
    syncSelection();
}

void ConversationListView::syncSelection()
{
    const int row = m_selected ? m_model->rowOf(m_selected->id) : -1;
    const QModelIndex wanted = row < 0 ? QModelIndex() : m_model->index(row);
    if (!wanted.isValid()) {
        // Nothing chosen: no row is selected, and the keyboard's ring stays where it is.
        if (m_list->selectionModel()->hasSelection()) {
            const QSignalBlocker blocker(m_list->selectionModel());
            m_list->selectionModel()->clearSelection();
            m_list->viewport()->update();
        }
        return;
    }
    const bool shown = wanted.isValid() ? m_list->selectionModel()->isSelected(wanted) : !m_list->selectionModel()->hasSelection();
    if (shown && m_list->currentIndex() == wanted)
        return;
    const QSignalBlocker blocker(m_list->selectionModel());
    m_list->selectionModel()->setCurrentIndex(wanted, QItemSelectionModel::ClearAndSelect);
    m_list->viewport()->update();
}

QMenu* ConversationListView::contextMenu(const Conversation& conversation)
{
    auto* menu = new ContextMenu(this);
    menu->setObjectName(QStringLiteral("conversationContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<ConversationListViewModel> viewModel(m_viewModel);
    auto add = [&](const char* key, const char* objectName, std::function<void()> action) {
        QAction* entry = menu->addAction(Localized::text(key));
        entry->setObjectName(QString::fromLatin1(objectName));
        connect(entry, &QAction::triggered, menu, [viewModel, action = std::move(action)] {
            if (viewModel)
                action();
        });
        return entry;
    };
    add(conversation.isPinned.value_or(false) ? "conversation.unpin" : "conversation.pin", "pinAction",
        [viewModel, conversation] { viewModel->togglePin(conversation); });
    add(conversation.isMuted.value_or(false) ? "conversation.unmute" : "conversation.mute", "muteAction",
        [viewModel, conversation] { viewModel->toggleMute(conversation); });
    add("conversation.mark_read", "markReadAction", [viewModel, conversation] { viewModel->markAsRead(conversation); });
    QAction* remove = add("conversation.delete", "deleteAction",
        [viewModel, conversation] { viewModel->requestDelete(conversation); });
    ContextMenu::markDestructive(remove);
    return menu;
}
