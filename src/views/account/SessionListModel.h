#pragma once

#include "network/LoginSession.h"

#include <QAbstractListModel>
#include <QList>

class ProfileViewModel;

// The profile's sign-in sessions as rows for the painted session list. A reload
// that lists the same sessions repaints only the rows that changed.
class SessionListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        SessionIdRole = Qt::UserRole + 1,
        IsCurrentRole,
        // The symbol of the session's platform.
        IconRole,
        // The address it signed in from; empty when unknown.
        AddressRole,
        // Its sign-out is under way: the button waits.
        RevokingRole,
    };

    explicit SessionListModel(ProfileViewModel* viewModel, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const LoginSession& sessionAt(int row) const { return m_sessions.at(row); }

private:
    void sync();

    ProfileViewModel* m_viewModel;
    QList<LoginSession> m_sessions;
};
