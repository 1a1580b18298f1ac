#include "views/chat/MessageListView.h"

#include "state/common/LocalizationManager.h"
#include "views/chat/MessageListModel.h"

#include <QMenu>
#include <QScrollBar>

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
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &MessageListView::showContextMenu);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (m_model->isLoadMoreRow(index.row()) && m_callbacks.onLoadMore)
            m_callbacks.onLoadMore();
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
    });
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

QMenu* MessageListView::contextMenuAt(const QPoint& pos)
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid() || m_model->isLoadMoreRow(index.row()))
        return nullptr;
    const Message message = m_model->messageAt(index.row());
    const bool isMine = m_model->isMine(index.row());
    const QRect row = visualRect(index);
    const MessageBubble::Layout layout = m_bubble->layout(message, isMine, viewport()->width() - 2 * spacing());
    // Revocation and system notices have no menu; ordinary rows only on their content.
    if (layout.kind != MessageBubble::RowKind::Ordinary || !layout.content.translated(row.topLeft()).contains(pos))
        return nullptr;
    MessageBubble::Actions actions {
        [this, message] { if (m_callbacks.onRevoke) m_callbacks.onRevoke(message); },
        [this, message] { if (m_callbacks.onReply) m_callbacks.onReply(message); },
        [this, message](const QString& emoji) { if (m_callbacks.onReact) m_callbacks.onReact(message, emoji); },
        [this, message] { if (m_callbacks.onResend) m_callbacks.onResend(message); },
        [this, message] { if (m_callbacks.onDiscard) m_callbacks.onDiscard(message); },
    };
    return MessageBubble::contextMenu(message, isMine, actions, this);
}

void MessageListView::showContextMenu(const QPoint& pos)
{
    if (QMenu* menu = contextMenuAt(pos))
        menu->popup(viewport()->mapToGlobal(pos));
}
