#include "views/account/FavoriteListModel.h"

#include "state/account/Graphemes.h"
#include "views/account/FavoriteRow.h"
#include "views/common/Localized.h"

#include <QStringList>

namespace {

bool sameRow(const Message& a, const Message& b)
{
    return a.senderName == b.senderName && a.senderAvatar == b.senderAvatar && a.createdAt == b.createdAt
        && a.type == b.type && a.content == b.content && a.fileName == b.fileName;
}

} // namespace

QVariant FavoriteListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Message& message = records().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return FavoriteRow::senderText(message);
    case Qt::AccessibleTextRole: {
        // Read as it shows: the sender, the line under it and the date beside it.
        QStringList parts;
        for (const int shown : { int(Qt::DisplayRole), int(ContentRole), int(DateRole) }) {
            if (const QString text = data(index, shown).toString(); !text.isEmpty())
                parts << text;
        }
        return parts.join(QStringLiteral(", "));
    }
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
    showRecords(favorites, sameRow);
}
