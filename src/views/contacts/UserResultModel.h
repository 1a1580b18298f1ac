#pragma once

#include <QAbstractListModel>

class AddContactViewModel;

// The add-contact sheet's found users as rows. A new search resets them; a
// request sent or on its way changes that user's row alone.
class UserResultModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        UserIdRole = Qt::UserRole + 1,
        // "ID: " and the user's public id.
        OpenIdRole,
        SentRole,
        SendingRole,
        AvatarRole,
    };

    explicit UserResultModel(AddContactViewModel* viewModel, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    AddContactViewModel* m_viewModel;
};
