#include "views/chat/ConversationListModel.h"

#include "state/chat/ConversationOrder.h"
#include "views/chat/ConversationRow.h"

#include <QSet>

namespace {

bool sameRevokedPreview(const std::optional<Conversation::RevokedPreview>& a, const std::optional<Conversation::RevokedPreview>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->isMine == b->isMine && a->senderName == b->senderName && a->byAdministrator == b->byAdministrator);
}

// Records compare equal by id alone; a row is redrawn when anything it shows changed.
bool looksTheSame(const Conversation& a, const Conversation& b)
{
    return a.type == b.type && a.name == b.name && a.avatar == b.avatar && a.memberCount == b.memberCount
        && a.lastMessage == b.lastMessage && a.lastMessageTime == b.lastMessageTime && a.unreadCount == b.unreadCount
        && a.isPinned == b.isPinned && a.isMuted == b.isMuted && a.online == b.online
        && a.lastMessageFailed == b.lastMessageFailed && sameRevokedPreview(a.revokedPreview, b.revokedPreview);
}

} // namespace

int ConversationListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_conversations.size());
}

QVariant ConversationListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Conversation& conversation = m_conversations.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return ConversationRow::displayName(conversation);
    case Qt::AccessibleTextRole:
        return ConversationRow::accessibleText(conversation);
    case ConversationIdRole:
        return conversation.id;
    default:
        return {};
    }
}

void ConversationListModel::setConversations(const QList<Conversation>& conversations)
{
    QSet<qint64> wanted;
    for (const Conversation& conversation : conversations)
        wanted.insert(conversation.id);
    if (wanted.size() != conversations.size()) {
        // Not one row per conversation: nothing to follow row by row.
        beginResetModel();
        m_conversations = conversations;
        endResetModel();
        return;
    }
    // Rows that go, the lowest last so that the rows above keep their numbers.
    for (int row = int(m_conversations.size()) - 1; row >= 0; --row) {
        if (wanted.contains(m_conversations.at(row).id))
            continue;
        int first = row;
        while (first > 0 && !wanted.contains(m_conversations.at(first - 1).id))
            --first;
        beginRemoveRows({}, first, row);
        m_conversations.remove(first, row - first + 1);
        endRemoveRows();
        row = first;
    }
    // The rows that stay, moved one by one into their new order; then the new ones
    // go in where they belong. The view's current row follows its conversation.
    QSet<qint64> listed;
    for (const Conversation& conversation : std::as_const(m_conversations))
        listed.insert(conversation.id);
    int target = 0;
    for (const Conversation& conversation : conversations) {
        if (!listed.contains(conversation.id))
            continue;
        if (m_conversations.at(target).id != conversation.id) {
            const int from = rowOf(conversation.id);
            beginMoveRows({}, from, from, {}, target);
            m_conversations.move(from, target);
            endMoveRows();
        }
        ++target;
    }
    for (int row = 0; row < conversations.size(); ++row) {
        if (listed.contains(conversations.at(row).id))
            continue;
        int last = row;
        while (last + 1 < conversations.size() && !listed.contains(conversations.at(last + 1).id))
            ++last;
        beginInsertRows({}, row, last);
        for (int i = row; i <= last; ++i)
            m_conversations.insert(i, conversations.at(i));
        endInsertRows();
        row = last;
    }
    // Every row is now on its conversation: redraw those whose contents changed.
    QList<int> changed;
    for (int row = 0; row < conversations.size(); ++row) {
        if (!looksTheSame(m_conversations.at(row), conversations.at(row)))
            changed.append(row);
    }
    m_conversations = conversations;
    for (int row : std::as_const(changed))
        Q_EMIT dataChanged(index(row), index(row));
}

void ConversationListModel::moveConversation(int from, int to, const Conversation& conversation)
{
    if (from != to) {
        // Qt counts the destination before the move: one further down when moving down.
        beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
        ConversationOrder::move(m_conversations, from, to);
        endMoveRows();
    }
    const bool redraw = !looksTheSame(m_conversations.at(to), conversation);
    m_conversations[to] = conversation;
    if (redraw)
        Q_EMIT dataChanged(index(to), index(to));
}

int ConversationListModel::rowOf(qint64 conversationId) const
{
    for (qsizetype i = 0; i < m_conversations.size(); ++i)
        if (m_conversations.at(i).id == conversationId)
            return int(i);
    return -1;
}
