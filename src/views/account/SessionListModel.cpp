#include "views/account/SessionListModel.h"

#include "state/account/ProfileViewModel.h"
#include "views/common/Localized.h"
#include "views/common/RowAction.h"

namespace {

bool sameRow(const LoginSession& a, const LoginSession& b)
{
    return a.deviceName == b.deviceName && a.platform == b.platform && a.ip == b.ip && a.isCurrent == b.isCurrent;
}

} // namespace

SessionListModel::SessionListModel(ProfileViewModel* viewModel, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
{
    connect(viewModel, &ProfileViewModel::sessionsChanged, this, &SessionListModel::sync);
    connect(viewModel, &ProfileViewModel::revokingChanged, this, [this] {
        if (!m_sessions.isEmpty())
            Q_EMIT dataChanged(index(0), index(rowCount() - 1), { RevokingRole });
    });
    sync();
}

int SessionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_sessions.size());
}

QVariant SessionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const LoginSession& session = m_sessions.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return ProfileViewModel::title(session).value_or(Localized::text("profile.unknown_device"));
    case Qt::AccessibleTextRole: {
        QStringList parts { data(index, Qt::DisplayRole).toString() };
        if (const QString address = session.ip.value_or(QString()); !address.isEmpty())
            parts << address;
        if (ProfileViewModel::isCurrent(session))
            parts << Localized::text("profile.current_device");
        return parts.join(QStringLiteral(", "));
    }
    case RowAction::ActionsRole:
    case Qt::AccessibleDescriptionRole: {
        QList<RowAction> actions;
        if (!ProfileViewModel::isCurrent(session))
            actions << RowAction { QStringLiteral("revoke"), Localized::text("devices.logout"), RowAction::Kind::Destructive,
                                   !m_viewModel->isRevoking(session.id) };
        return RowAction::data(actions, role);
    }
    case SessionIdRole:
        return session.id;
    case IsCurrentRole:
        return ProfileViewModel::isCurrent(session);
    case IconRole:
        return ProfileViewModel::platformIcon(session.platform);
    case AddressRole:
        return session.ip.value_or(QString());
    case RevokingRole:
        return m_viewModel->isRevoking(session.id);
    default:
        return {};
    }
}

void SessionListModel::sync()
{
    const QList<LoginSession> sessions = m_viewModel->sessions();
    bool sameIds = sessions.size() == m_sessions.size();
    for (qsizetype i = 0; sameIds && i < sessions.size(); ++i)
        sameIds = sessions.at(i).id == m_sessions.at(i).id;
    if (!sameIds) {
        beginResetModel();
        m_sessions = sessions;
        endResetModel();
        return;
    }
    for (qsizetype i = 0; i < sessions.size(); ++i) {
        if (sameRow(sessions.at(i), m_sessions.at(i)))
            continue;
        m_sessions[i] = sessions.at(i);
        Q_EMIT dataChanged(index(int(i)), index(int(i)));
    }
}
