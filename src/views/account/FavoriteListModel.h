#pragma once

#include "models/Message.h"

#include <QAbstractListModel>
#include <QList>

// The starred messages as rows for the painted favourites list. A reload that
// brings the same messages in the same order repaints only the rows whose
// shown content changed.
class FavoriteListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        MessageIdRole = Qt::UserRole + 1,
        // The day the message was sent, as the row shows it; empty when unknown.
        DateRole,
        // The content line's text, as the row shows it in the language in force.
        ContentRole,
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setFavorites(const QList<Message>& favorites);
    const Message& messageAt(int row) const { return m_favorites.at(row); }

private:
    QList<Message> m_favorites;
};
