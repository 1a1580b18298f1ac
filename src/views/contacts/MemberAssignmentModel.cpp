#include "views/contacts/MemberAssignmentModel.h"

#include "state/contacts/AssignRoleViewModel.h"
#include "views/common/Localized.h"
#include "views/common/RowAction.h"

MemberAssignmentModel::MemberAssignmentModel(AssignRoleViewModel* viewModel, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
{
    connect(viewModel, &AssignRoleViewModel::membersChanged, this, [this] {
        beginResetModel();
        m_assigned.clear();
        for (const GroupMember& member : m_viewModel->members()) {
            if (m_viewModel->isAssigned(member.userId))
                m_assigned.insert(member.userId);
        }
        endResetModel();
    });
    connect(viewModel, &AssignRoleViewModel::assignmentsChanged, this, &MemberAssignmentModel::refreshMarks);
}

void MemberAssignmentModel::refreshMarks()
{
    const QList<GroupMember> members = m_viewModel->members();
    for (int row = 0; row < members.size(); ++row) {
        const qint64 userId = members.at(row).userId;
        const bool assigned = m_viewModel->isAssigned(userId);
        if (assigned == m_assigned.contains(userId))
            continue;
        if (assigned)
            m_assigned.insert(userId);
        else
            m_assigned.remove(userId);
        Q_EMIT dataChanged(index(row), index(row), { AssignedRole, Qt::CheckStateRole, Qt::AccessibleDescriptionRole });
    }
}

int MemberAssignmentModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_viewModel->members().size());
}

QVariant MemberAssignmentModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const GroupMember member = m_viewModel->members().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return member.name.value_or(Localized::text("default.unknown"));
    case RowAction::ActionsRole:
    case Qt::AccessibleDescriptionRole: {
        // The whole row is the switch; its one action says which way it turns.
        const bool assigned = m_viewModel->isAssigned(member.userId);
        const RowAction toggle { QStringLiteral("toggle"), Localized::text(assigned ? "roles.unassign_member" : "roles.assign_member"),
                                 RowAction::Kind::Main };
        return RowAction::data({ toggle }, role);
    }
    case UserIdRole:
        return member.userId;
    case StandingRole: {
        const std::optional<QString> key = AssignRoleViewModel::standingKey(member);
        return key ? Localized::text(*key) : QString();
    }
    case AssignedRole:
        return m_viewModel->isAssigned(member.userId);
    case Qt::CheckStateRole:
        return m_viewModel->isAssigned(member.userId) ? Qt::Checked : Qt::Unchecked;
    case AvatarRole:
        return member.avatar.value_or(QString());
    case AvatarNameRole:
        return member.name.value_or(QStringLiteral("?"));
    default:
        return {};
    }
}

Qt::ItemFlags MemberAssignmentModel::flags(const QModelIndex& index) const
{
    return QAbstractListModel::flags(index) | (index.isValid() ? Qt::ItemIsUserCheckable : Qt::NoItemFlags);
}

bool MemberAssignmentModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount())
        return false;
    const GroupMember member = m_viewModel->members().at(index.row());
    const bool assigned = m_viewModel->isAssigned(member.userId);
    if (assigned != (value.value<Qt::CheckState>() == Qt::Checked))
        m_viewModel->toggle(member, assigned);
    return true;
}
