#pragma once

#include <QAbstractListModel>

class FriendRequestsViewModel;

// The friend requests as rows. An answer changes that request's row alone; a
// new list from the server resets them.
class FriendRequestModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        RequestIdRole = Qt::UserRole + 1,
        // What the sender wrote; empty for nothing.
        MessageRole,
        // A FriendRequestsViewModel::RowState.
        StateRole,
        // True while this request's answer is on its way.
        AnsweringRole,
        AvatarRole,
        // The name the avatar's initials come from: "?" without one.
        AvatarNameRole,
    };

    explicit FriendRequestModel(FriendRequestsViewModel* viewModel, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void requestsChanged();
    int rowOf(qint64 requestId) const;

    FriendRequestsViewModel* m_viewModel;
    // The ids in the order the rows show them.
    QList<qint64> m_ids;
    QList<int> m_states;
};
