#pragma once

#include <QAbstractListModel>
#include <QSet>

class AssignRoleViewModel;

// The group's members as rows for the role assignment list, each a check box
// (checked while the member holds the role: Space turns it, a screen reader says
// it). A new member list resets it; giving or taking back the role repaints only
// the rows whose mark changed.
class MemberAssignmentModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        UserIdRole = Qt::UserRole + 1,
        // The owner's or an administrator's word, empty for a plain member.
        StandingRole,
        AssignedRole,
        AvatarRole,
        // The name the avatar's initials come from: "?" for a member without one.
        AvatarNameRole,
    };

    explicit MemberAssignmentModel(AssignRoleViewModel* viewModel, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    void refreshMarks();

    AssignRoleViewModel* m_viewModel;
    // Who had the role when the rows were last painted.
    QSet<qint64> m_assigned;
};
