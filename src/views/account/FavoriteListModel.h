#pragma once

#include "models/Message.h"
#include "views/common/RecordListModel.h"

// The starred messages as rows for the painted favourites list. A reload keeps
// the rows it shares with the list and repaints only those whose shown content
// changed.
class FavoriteListModel : public RecordListModel<Message> {
    Q_OBJECT
public:
    enum Role {
        MessageIdRole = Qt::UserRole + 1,
        // The day the message was sent, as the row shows it; empty when unknown.
        DateRole,
        // The content line's text, as the row shows it in the language in force.
        ContentRole,
    };

    using RecordListModel::RecordListModel;

    QVariant data(const QModelIndex& index, int role) const override;

    void setFavorites(const QList<Message>& favorites);
    const Message& messageAt(int row) const { return records().at(row); }
};
