#include "views/contacts/UserResultModel.h"

#include "state/contacts/AddContactViewModel.h"
#include "views/common/Localized.h"
#include "views/common/RowAction.h"

UserResultModel::UserResultModel(AddContactViewModel* viewModel, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
{
    connect(viewModel, &AddContactViewModel::resultsChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
    // A send starting or ending (sent by then when it worked) changes that user's rows.
    connect(viewModel, &AddContactViewModel::sendingChanged, this, [this](qint64 userId) {
        const QList<User> users = m_viewModel->results();
        for (int row = 0; row < users.size(); ++row) {
            if (users.at(row).id == userId)
                Q_EMIT dataChanged(index(row), index(row), { SendingRole, SentRole });
        }
    });
}

int UserResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_viewModel->results().size());
}

QVariant UserResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const User user = m_viewModel->results().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return user.name;
    case Qt::AccessibleTextRole: {
        QStringList parts { user.name, QStringLiteral("ID: ") + user.openId };
        if (m_viewModel->wasSent(user.id))
            parts << Localized::text("add.sent");
        return parts.join(QStringLiteral(", "));
    }
    case RowAction::ActionsRole:
    case Qt::AccessibleDescriptionRole: {
        QList<RowAction> actions;
        if (!m_viewModel->wasSent(user.id))
            actions << RowAction { QStringLiteral("add"), Localized::text("add.add_button"), RowAction::Kind::Main, !m_viewModel->isSending(user.id) };
        return RowAction::data(actions, role);
    }
    case UserIdRole:
        return user.id;
    case OpenIdRole:
        return QStringLiteral("ID: ") + user.openId;
    case SentRole:
        return m_viewModel->wasSent(user.id);
    case SendingRole:
        return m_viewModel->isSending(user.id);
    case AvatarRole:
        return user.avatar.value_or(QString());
    default:
        return {};
    }
}
