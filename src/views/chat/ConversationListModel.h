#pragma once

#include "models/Conversation.h"

#include <QAbstractListModel>
#include <QList>

// The filtered conversations of the list state as rows for the painted list. A new
// list is taken in as what changed: rows removed, moved, inserted and redrawn, so
// the view keeps its current row on its conversation.
class ConversationListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { ConversationIdRole = Qt::UserRole + 1 };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setConversations(const QList<Conversation>& conversations);
    // One conversation changed: the row at from, now showing conversation, moves to
    // to (or stays, when they are the same) and is redrawn if what it shows changed.
    void moveConversation(int from, int to, const Conversation& conversation);
    const Conversation& conversationAt(int row) const { return m_conversations.at(row); }
    int rowOf(qint64 conversationId) const;

private:
    QList<Conversation> m_conversations;
};
