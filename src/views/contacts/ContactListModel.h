#pragma once

#include "models/ChatGroup.h"
#include "models/Contact.h"
#include "state/contacts/ContactSection.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>

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
    // The row a typed letter leads to: the first contact under that letter (or the
    // next letter there is); when the row from is already under it, the contact
    // after from there, round to the first. -1 when no letter follows.
    int rowForLetter(const QString& letter, int from) const;
    // The row of the contact with this user id, or -1.
    int rowOfUser(qint64 userId) const;

private:
    // Where a row's content stands in the groups or sections: a small fixed
    // record per row, whatever a contact holds.
    struct Row {
        Kind kind;
        qsizetype section; // the section of a letter header or contact; -1 for the groups
        qsizetype position; // within the groups or the section; -1 for a header
        friend bool operator==(const Row&, const Row&) = default;
    };

    void rebuild();
    void applyPresence(qint64 userId, bool online);
    static QList<Row> rowsOf(const QList<ChatGroup>& groups, const QList<ContactSection>& sections);
    const Contact& contact(const Row& row) const { return m_sections.at(row.section).contacts.at(row.position); }
    qint64 idAt(const Row& row) const;

    ContactListViewModel* m_viewModel;
    // Copies of the state's lists as shown; they share its data until one side changes.
    QList<ChatGroup> m_groups;
    QList<ContactSection> m_sections;
    QList<Row> m_rows;
    QList<int> rowsOfUser(qint64 userId) const;
    // Rows per user id (one user may stand in the list more than once); empty until asked.
    mutable QMultiHash<qint64, int> m_userRows;
};
