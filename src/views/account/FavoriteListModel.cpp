#include "views/account/FavoriteListModel.h"

#include "state/account/Graphemes.h"
#include "views/account/FavoriteRow.h"
#include "views/common/Localized.h"

namespace {

bool sameRow(const Message& a, const Message& b)
{
    return a.senderName == b.senderName && a.senderAvatar == b.senderAvatar && a.createdAt == b.createdAt
        && a.type == b.type && a.content == b.content && a.fileName == b.fileName;
}

} // namespace

int FavoriteListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_favorites.size());
}

QVariant FavoriteListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Message& message = m_favorites.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return FavoriteRow::senderText(message);
    case Qt::AccessibleDescriptionRole:
    case ContentRole:
        return FavoriteRow::contentText(message);
    case DateRole:
        return message.createdAt ? graphemes::prefix(*message.createdAt, 10) : QString();
    case MessageIdRole:
        return message.id;
    default:
        return {};
    }
}

void FavoriteListModel::setFavorites(const QList<Message>& favorites)
{
    bool sameOrder = favorites.size() == m_favorites.size();
    for (qsizetype i = 0; sameOrder && i < favorites.size(); ++i)
        sameOrder = favorites.at(i).id == m_favorites.at(i).id;
    if (!sameOrder) {
        beginResetModel();
        m_favorites = favorites;
        endResetModel();
        return;
    }
    for (qsizetype i = 0; i < favorites.size(); ++i) {
        if (sameRow(favorites.at(i), m_favorites.at(i)))
            continue;
        m_favorites[i] = favorites.at(i);
        Q_EMIT dataChanged(index(int(i)), index(int(i)));
    }
}
