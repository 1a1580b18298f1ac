#include "views/contacts/FriendRequestModel.h"

#include "state/contacts/FriendRequestsViewModel.h"
#include "views/common/Localized.h"
#include "views/common/RowAction.h"

FriendRequestModel::FriendRequestModel(FriendRequestsViewModel* viewModel, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
{
    connect(viewModel, &FriendRequestsViewModel::requestsChanged, this, &FriendRequestModel::requestsChanged);
    connect(viewModel, &FriendRequestsViewModel::answeringChanged, this, [this](qint64 requestId) {
        if (const int row = rowOf(requestId); row >= 0)
            Q_EMIT dataChanged(index(row), index(row), { AnsweringRole });
    });
    requestsChanged();
}

void FriendRequestModel::requestsChanged()
{
    QList<qint64> ids;
    QList<int> states;
    for (const FriendRequest& request : m_viewModel->requests()) {
        ids << request.id;
        states << int(FriendRequestsViewModel::rowState(request));
    }
    if (ids != m_ids) {
        beginResetModel();
        m_ids = ids;
        m_states = states;
        endResetModel();
        return;
    }
    // Same requests in the same places: an answer changed one status.
    for (int row = 0; row < m_ids.size(); ++row) {
        if (states.at(row) != m_states.at(row))
            Q_EMIT dataChanged(index(row), index(row), { StateRole });
    }
    m_states = states;
}

int FriendRequestModel::rowOf(qint64 requestId) const
{
    return int(m_ids.indexOf(requestId));
}

int FriendRequestModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

QVariant FriendRequestModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FriendRequest request = m_viewModel->requests().at(index.row());
    const auto state = FriendRequestsViewModel::rowState(request);
    switch (role) {
    case Qt::DisplayRole:
        return request.fromUserName.value_or(Localized::text("default.unknown"));
    case Qt::AccessibleTextRole: {
        // What the row shows, read in its order: name, message, and the final word once answered.
        QStringList parts { request.fromUserName.value_or(Localized::text("default.unknown")) };
        if (const QString message = request.message.value_or(QString()).simplified(); !message.isEmpty())
            parts << message;
        if (state != FriendRequestsViewModel::RowState::Pending)
            parts << Localized::text(state == FriendRequestsViewModel::RowState::Accepted ? "friend.accepted" : "friend.rejected");
        return parts.join(QStringLiteral(", "));
    }
    case RowAction::ActionsRole:
    case Qt::AccessibleDescriptionRole: {
        QList<RowAction> actions;
        if (state == FriendRequestsViewModel::RowState::Pending) {
            const bool idle = !m_viewModel->isAnswering(request.id);
            actions << RowAction { QStringLiteral("accept"), Localized::text("friend.accept"), RowAction::Kind::Main, idle }
                    << RowAction { QStringLiteral("reject"), Localized::text("friend.reject"), RowAction::Kind::Plain, idle };
        }
        return RowAction::data(actions, role);
    }
    case RequestIdRole:
        return request.id;
    case MessageRole:
        return request.message.value_or(QString());
    case StateRole:
        return int(state);
    case AnsweringRole:
        return m_viewModel->isAnswering(request.id);
    case AvatarRole:
        return request.fromUserAvatar.value_or(QString());
    case AvatarNameRole:
        return request.fromUserName.value_or(QStringLiteral("?"));
    default:
        return {};
    }
}
