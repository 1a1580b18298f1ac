#pragma once

#include "models/Message.h"
#include "views/chat/MessageBubble.h"

#include <QListView>

#include <functional>

class MessageListModel;
class QMenu;

// The chat screen's scrolling message list: one painted row per message, a
// "load more" row on top while a full page is shown, and the scrolling rules:
// new messages bring the view to the newest one, while an older page inserted
// above keeps the message the user was looking at in place.
class MessageListView : public QListView {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void(const Message&)> onReply;
        std::function<void(const Message&)> onRevoke;
        std::function<void(const Message&, const QString&)> onReact;
        std::function<void()> onLoadMore;
        std::function<void(const Message&)> onResend;
        std::function<void(const Message&)> onDiscard;
    };

    MessageListView(qint64 currentUserId, Callbacks callbacks, QWidget* parent = nullptr);

    void setMessages(const QList<Message>& messages);
    // Messages inserted in place by the list's owner (an older page above): only the
    // new rows are measured, and the message at the top stays where it was on screen.
    // Missed messages merged in between keep the reader's place too, unless the
    // reader was at the newest message, who stays there.
    void beginInsertMessages(int first, int count);
    void endInsertMessages(const QList<Message>& messages);
    // Messages leaving the list: the rows go, and the reader keeps the place.
    void beginRemoveMessages(int first, int count);
    void endRemoveMessages(const QList<Message>& messages);
    MessageListModel* messageModel() const { return m_model; }
    MessageBubble* bubble() const { return m_bubble; }

    // The menu of the message under pos (viewport coordinates), or nullptr when pos
    // is not on a message's content. Shown with popup(); also used by tests.
    QMenu* contextMenuAt(const QPoint& pos);
    // The menu of the message in that row, popped up at its bubble; the menu key's.
    QMenu* showMenuOf(const QModelIndex& index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The message at the top of the viewport and its position there.
    struct Anchor {
        qint64 messageId = 0;
        int top = 0;
    };
    // The first message shown at the top, past any in first .. first + count - 1.
    Anchor topAnchor(int skipFirst = -1, int skipCount = 0) const;
    void keepInPlace(const Anchor& anchor);
    void continueUpward(const Anchor& anchor);
    bool isAtNewest() const;
    void showContextMenu(const QPoint& pos);
    // Where the row's bubble is, in viewport coordinates; null for rows without a menu.
    QRect contentRect(const QModelIndex& index) const;
    void loadMore(bool byKeyboard);

    MessageListModel* m_model;
    MessageBubble* m_bubble;
    Callbacks m_callbacks;
    Anchor m_changeAnchor;
    bool m_wasAtNewest = false;
    int m_insertingAt = 0;
    // The page on its way was asked for by the keyboard: the reader moves on into it.
    bool m_pagingByKeyboard = false;
};
