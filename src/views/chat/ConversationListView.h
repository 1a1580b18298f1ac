#pragma once

#include "models/Conversation.h"

#include <QWidget>

#include <optional>

class ConversationListModel;
class ConversationListViewModel;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QToolButton;

// The messages section's middle column: a search row over the list of the user's
// conversations, with a context menu per row. It shows and edits only what the
// conversation list state holds; the selection belongs to the main window.
class ConversationListView : public QWidget {
    Q_OBJECT
public:
    explicit ConversationListView(ConversationListViewModel* viewModel, QWidget* parent = nullptr);

    std::optional<Conversation> selectedConversation() const { return m_selected; }
    void setSelectedConversation(const std::optional<Conversation>& conversation);

    // The row's menu: pin, mute, mark read, delete. Shown with popup(); tests use it too.
    QMenu* contextMenu(const Conversation& conversation);
    // Gives the list the keyboard (its current row shows).
    void focusList();

Q_SIGNALS:
    void selectedConversationChanged(const std::optional<Conversation>& conversation);
    // A row was opened on purpose (clicked, or Return on it), not only passed over
    // with the arrows: the person means to write in it.
    void conversationOpened();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retranslate();
    void refresh();
    void syncSelection();
    // A list with nothing in it, loaded, is no place for the keyboard: Tab passes it
    // by, and the focus it held goes to the search field above.
    void settleEmptyList();
    // Asks before the conversation the state holds for deletion goes.
    void confirmDeletion();

    ConversationListViewModel* m_viewModel;
    ConversationListModel* m_model;
    QLabel* m_title = nullptr;
    QLineEdit* m_search;
    QToolButton* m_clear;
    QListView* m_list;
    std::optional<Conversation> m_selected;
    // Until a first load has ended, an empty list is only not filled yet.
    bool m_loadedOnce = false;
    // What the list takes the focus by while it has rows.
    Qt::FocusPolicy m_listFocusPolicy = Qt::StrongFocus;
};
