#pragma once

#include "network/LoginSession.h"
#include "views/common/RecordListModel.h"

class ProfileViewModel;

// The profile's sign-in sessions as rows for the painted session list. A reload
// keeps the rows it shares with the list and repaints only those that changed.
class SessionListModel : public RecordListModel<LoginSession> {
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

    QVariant data(const QModelIndex& index, int role) const override;

    const LoginSession& sessionAt(int row) const { return records().at(row); }

private:
    void sync();

    ProfileViewModel* m_viewModel;
};
