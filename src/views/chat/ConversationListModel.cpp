#include "views/chat/ConversationListModel.h"

#include "views/chat/ConversationRow.h"

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
    bool sameOrder = conversations.size() == m_conversations.size();
    for (qsizetype i = 0; sameOrder && i < conversations.size(); ++i)
        sameOrder = conversations.at(i).id == m_conversations.at(i).id;
    if (!sameOrder) {
        // Keeps the view's current row when entries move: a reset would drop it.
        Q_EMIT layoutAboutToBeChanged();
        const QModelIndexList before = persistentIndexList();
        QList<qint64> ids;
        for (const QModelIndex& index : before)
            ids << m_conversations.value(index.row()).id;
        m_conversations = conversations;
        QModelIndexList after;
        for (qsizetype i = 0; i < before.size(); ++i) {
            const int row = rowOf(ids.at(i));
            after << (row < 0 ? QModelIndex() : index(row));
        }
        changePersistentIndexList(before, after);
        Q_EMIT layoutChanged();
        return;
    }
    m_conversations = conversations;
    if (!m_conversations.isEmpty())
        Q_EMIT dataChanged(index(0), index(rowCount() - 1));
}

int ConversationListModel::rowOf(qint64 conversationId) const
{
    for (qsizetype i = 0; i < m_conversations.size(); ++i)
        if (m_conversations.at(i).id == conversationId)
            return int(i);
    return -1;
}
