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
    : RecordListModel(parent)
    , m_viewModel(viewModel)
{
    connect(viewModel, &ProfileViewModel::sessionsChanged, this, &SessionListModel::sync);
    connect(viewModel, &ProfileViewModel::revokingChanged, this, [this] {
        if (!records().isEmpty())
            Q_EMIT dataChanged(index(0), index(rowCount() - 1), { RevokingRole });
    });
    sync();
}

QVariant SessionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const LoginSession& session = records().at(index.row());
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
    showRecords(m_viewModel->sessions(), sameRow);
}
