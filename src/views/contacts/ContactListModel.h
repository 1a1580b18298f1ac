#pragma once

#include "models/ChatGroup.h"
#include "models/Contact.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>

#include <variant>

class ContactListViewModel;

// The contact column's rows for the painted list: the groups under their header,
// then each letter's header and contacts. It follows the contact list state: a
// presence event updates that contact's rows alone, a reload that leaves the rows
// where they were only refreshes the rows whose content changed.
class ContactListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { Header, Group, Contact };
    enum Role {
        KindRole = Qt::UserRole + 1,
        // The group's or the contact's id; nothing for a header.
        IdRole,
        // The other user's id, for a contact.
        UserIdRole,
        // The bio of a contact, the member count of a group; empty for none.
        SubtitleRole,
        OnlineRole,
        AvatarRole,
    };

    explicit ContactListModel(ContactListViewModel* viewModel, QObject* parent = nullptr);

    ContactListViewModel* viewModel() const { return m_viewModel; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    Kind kindAt(int row) const;
    const Contact* contactAt(int row) const;
    const ChatGroup* groupAt(int row) const;
    // The row of the contact with this user id, or -1.
    int rowOfUser(qint64 userId) const;

private:
    using Row = std::variant<QString, ChatGroup, Contact>;

    void rebuild();
    void indexUsers();
    void applyPresence(qint64 userId, bool online);
    QList<Row> rowsOf() const;

    ContactListViewModel* m_viewModel;
    QList<Row> m_rows;
    // Rows per user id: one user may stand in the list more than once.
    QMultiHash<qint64, int> m_userRows;
};
