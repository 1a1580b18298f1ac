#include "views/chat/MessageListView.h"

#include "state/common/LocalizationManager.h"
#include "views/chat/MessageListModel.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

#include <utility>

MessageListView::MessageListView(qint64 currentUserId, Callbacks callbacks, QWidget* parent)
    : QListView(parent)
    , m_model(new MessageListModel(currentUserId, this))
    , m_bubble(new MessageBubble(this))
    , m_callbacks(std::move(callbacks))
{
    setObjectName(QStringLiteral("messageList"));
    setModel(m_model);
    setItemDelegate(m_bubble);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUniformItemSizes(false);
    setResizeMode(QListView::Adjust);
    setSpacing(1);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(false);
    viewport()->setAutoFillBackground(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &MessageListView::showContextMenu);
    // The keyboard of the painted lists: a Tab stop, a message at a time, the bubble's
    // menu on the menu key, Return on "load more", and Page Up at the top loads the
    // page before, as the row does.
    ListKeyboard* keyboard = ListKeyboard::attach(this);
    keyboard->setRowMenu([this](const QModelIndex& row) { return showMenuOf(row); });
    connect(keyboard, &ListKeyboard::pageUpAtTop, this, [this] { loadMore(true); });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (m_model->isLoadMoreRow(index.row()))
            loadMore(false);
    });
    connect(m_model, &MessageListModel::rowRemeasured, this, [this](const QModelIndex& index) {
        // A picture that arrives grows its row; a reader at the newest message stays there.
        const bool atNewest = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
        Q_EMIT m_bubble->sizeHintChanged(index);
        if (atNewest) {
            doItemsLayout();
            scrollToBottom();
        }
    });
    // Notices are reworded and may take another number of lines.
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, [this] {
        const bool atNewest = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
        m_model->forgetHeights();
        doItemsLayout();
        if (atNewest)
            scrollToBottom();
        setAccessibleName(Localized::text("chat.message_list"));
    });
    setAccessibleName(Localized::text("chat.message_list"));
}

void MessageListView::loadMore(bool byKeyboard)
{
    if (!m_model->showsLoadMore() || !m_callbacks.onLoadMore)
        return;
    m_pagingByKeyboard = byKeyboard;
    m_callbacks.onLoadMore();
}

void MessageListView::keyPressEvent(QKeyEvent* event)
{
    const bool plainReturn = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plainReturn && m_model->isLoadMoreRow(currentIndex().row())) {
        loadMore(true);
        return;
    }
    QListView::keyPressEvent(event);
}

void MessageListView::focusInEvent(QFocusEvent* event)
{
    // The keyboard starts where the reader is: a current message scrolled out of
    // sight gives way to the newest one in sight (the list opens at the newest).
    const QModelIndex current = currentIndex();
    if (event->reason() != Qt::MouseFocusReason && m_model->rowCount() > 0
        && (!current.isValid() || !viewport()->rect().intersects(visualRect(current)))) {
        QModelIndex newest = indexAt(QPoint(viewport()->width() / 2, viewport()->height() - 2));
        if (!newest.isValid())
            newest = m_model->index(m_model->rowCount() - 1);
        selectionModel()->setCurrentIndex(newest, QItemSelectionModel::NoUpdate);
    }
    QListView::focusInEvent(event);
}

MessageListView::Anchor MessageListView::topAnchor(int skipFirst, int skipCount) const
{
    const int firstMessageRow = m_model->showsLoadMore() ? 1 : 0;
    const QModelIndex top = indexAt(QPoint(1, 1));
    int row = top.isValid() ? std::max(top.row(), firstMessageRow) : firstMessageRow;
    const auto skipped = [&](int r) {
        const int message = r - firstMessageRow;
        return message >= skipFirst && message < skipFirst + skipCount;
    };
    while (row < m_model->rowCount() && skipped(row))
        ++row;
    if (row >= m_model->rowCount()) {
        row = skipFirst + firstMessageRow - 1;
        if (row < firstMessageRow)
            return {};
    }
    const QModelIndex index = m_model->index(row);
    return { m_model->messageAt(row).id, visualRect(index).top() };
}

bool MessageListView::isAtNewest() const
{
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void MessageListView::keepInPlace(const Anchor& anchor)
{
    doItemsLayout();
    const QModelIndex moved = m_model->indexOfMessage(anchor.messageId);
    if (moved.isValid())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + visualRect(moved).top() - anchor.top);
}

void MessageListView::setMessages(const QList<Message>& messages)
{
    // Remember which message is at the top, and where, in case a page goes in above it.
    const Anchor anchor = topAnchor();
    const bool atNewest = isAtNewest();
    const MessageListModel::Change change = m_model->setMessages(messages);
    switch (change) {
    case MessageListModel::Change::Prepended:
        keepInPlace(anchor);
        continueUpward(anchor);
        break;
    case MessageListModel::Change::Inserted:
        if (!atNewest) {
            keepInPlace(anchor);
            break;
        }
        [[fallthrough]];
    case MessageListModel::Change::Appended:
    case MessageListModel::Change::Reset:
        if (m_model->messageCount() > 0) {
            doItemsLayout();
            scrollToBottom();
        }
        break;
    case MessageListModel::Change::Updated:
    case MessageListModel::Change::None:
        break;
    }
}

void MessageListView::beginInsertMessages(int first, int count)
{
    m_changeAnchor = topAnchor();
    m_wasAtNewest = isAtNewest();
    m_insertingAt = first;
    m_model->beginInsertMessages(first, count);
}

void MessageListView::endInsertMessages(const QList<Message>& messages)
{
    m_model->endInsertMessages(messages);
    // An older page above never moves the reader; missed messages in between or
    // at the end bring a reader who was at the newest message to the newest again.
    if (m_insertingAt > 0 && m_wasAtNewest) {
        doItemsLayout();
        scrollToBottom();
        return;
    }
    keepInPlace(m_changeAnchor);
    continueUpward(m_changeAnchor);
}

void MessageListView::continueUpward(const Anchor& anchor)
{
    // A page brought in from "load more" by the keyboard: the reader goes on with the
    // newest message of that page, just above where they were.
    if (!std::exchange(m_pagingByKeyboard, false) || !m_model->isLoadMoreRow(currentIndex().row()) || anchor.messageId == 0)
        return;
    const int row = m_model->rowOfMessage(anchor.messageId) - 1;
    if (row < 1)
        return;
    selectionModel()->setCurrentIndex(m_model->index(row), QItemSelectionModel::NoUpdate);
    scrollTo(m_model->index(row));
}

void MessageListView::beginRemoveMessages(int first, int count)
{
    m_changeAnchor = topAnchor(first, count);
    m_wasAtNewest = isAtNewest();
    m_model->beginRemoveMessages(first, count);
}

void MessageListView::endRemoveMessages(const QList<Message>& messages)
{
    m_model->endRemoveMessages(messages);
    if (m_wasAtNewest) {
        doItemsLayout();
        scrollToBottom();
        return;
    }
    keepInPlace(m_changeAnchor);
}

void MessageListView::resizeEvent(QResizeEvent* event)
{
    // The error line or the reply bar taking room below must not hide the newest message.
    const bool atNewest = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
    QListView::resizeEvent(event);
    if (atNewest && m_model->messageCount() > 0) {
        doItemsLayout();
        scrollToBottom();
    }
}

QRect MessageListView::contentRect(const QModelIndex& index) const
{
    if (!index.isValid() || m_model->isLoadMoreRow(index.row()))
        return {};
    const MessageBubble::Layout layout = m_bubble->layout(m_model->messageAt(index.row()), m_model->isMine(index.row()),
        viewport()->width() - 2 * spacing());
    // Revocation and system notices have no menu.
    if (layout.kind != MessageBubble::RowKind::Ordinary)
        return {};
    return layout.content.translated(visualRect(index).topLeft());
}

QMenu* MessageListView::showMenuOf(const QModelIndex& index)
{
    scrollTo(index);
    const QRect content = contentRect(index);
    if (content.isNull())
        return nullptr;
    // A bubble taller than the list is only partly in sight: its menu is asked for there.
    QMenu* menu = contextMenuAt(content.intersected(viewport()->rect()).center());
    // Under the bubble, which stays readable.
    if (menu)
        menu->popup(viewport()->mapToGlobal(QPoint(content.left(), content.bottom() + 2)));
    return menu;
}

QMenu* MessageListView::contextMenuAt(const QPoint& pos)
{
    const QModelIndex index = indexAt(pos);
    // Ordinary rows have their menu on their content only.
    if (!contentRect(index).contains(pos))
        return nullptr;
    const Message message = m_model->messageAt(index.row());
    const bool isMine = m_model->isMine(index.row());
    MessageBubble::Actions actions {
        [this, message] { if (m_callbacks.onRevoke) m_callbacks.onRevoke(message); },
        [this, message] { if (m_callbacks.onReply) m_callbacks.onReply(message); },
        [this, message](const QString& emoji) { if (m_callbacks.onReact) m_callbacks.onReact(message, emoji); },
        [this, message] {
            if (!m_callbacks.onResend)
                return;
            m_callbacks.onResend(message);
            // The resent message leaves its place for the end of the list; the keyboard goes with it.
            if (const QModelIndex resent = m_model->indexOfClientMessage(message.clientMessageId.value_or(QString())); resent.isValid())
                selectionModel()->setCurrentIndex(resent, QItemSelectionModel::NoUpdate);
        },
        [this, message] { if (m_callbacks.onDiscard) m_callbacks.onDiscard(message); },
    };
    return MessageBubble::contextMenu(message, isMine, actions, this);
}

void MessageListView::showContextMenu(const QPoint& pos)
{
    if (QMenu* menu = contextMenuAt(pos))
        menu->popup(viewport()->mapToGlobal(pos));
}
