#include "views/contacts/ContactListModel.h"

#include "state/ContactListViewModel.h"
#include "state/ContactSection.h"
#include "views/common/Localized.h"

namespace {

// A header row holds its letter; the groups' header has none (its text is
// localised and carries the count, so it is made when it is shown).
using Header = QString;

bool sameShown(const ChatGroup& a, const ChatGroup& b)
{
    return a.id == b.id && a.conversationId == b.conversationId && a.name == b.name && a.avatar == b.avatar
        && a.memberCount == b.memberCount;
}

bool sameShown(const Contact& a, const Contact& b)
{
    return a.id == b.id && a.contactId == b.contactId && a.nickname == b.nickname && a.name == b.name
        && a.avatar == b.avatar && a.online == b.online && a.bio == b.bio;
}

QString memberCountText(const ChatGroup& group)
{
    return group.memberCount ? QString::number(*group.memberCount) + Localized::text("contacts.members_count") : QString();
}

} // namespace

ContactListModel::ContactListModel(ContactListViewModel* viewModel, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
{
    connect(viewModel, &ContactListViewModel::groupsChanged, this, &ContactListModel::rebuild);
    connect(viewModel, &ContactListViewModel::sectionsChanged, this, &ContactListModel::rebuild);
    connect(viewModel, &ContactListViewModel::presenceChanged, this, &ContactListModel::applyPresence);
    m_rows = rowsOf();
    indexUsers();
}

void ContactListModel::indexUsers()
{
    m_userRows.clear();
    for (int row = 0; row < m_rows.size(); ++row) {
        if (const auto* contact = std::get_if<Contact>(&m_rows.at(row)))
            m_userRows.insert(contact->contactId, row);
    }
}

QList<ContactListModel::Row> ContactListModel::rowsOf() const
{
    QList<Row> rows;
    const QList<ChatGroup> groups = m_viewModel->groups();
    const QList<ContactSection> sections = m_viewModel->sections();
    qsizetype size = groups.isEmpty() ? 0 : groups.size() + 1;
    for (const ContactSection& section : sections)
        size += section.contacts.size() + 1;
    rows.reserve(size);
    if (!groups.isEmpty()) {
        rows.append(Header());
        for (const ChatGroup& group : groups)
            rows.append(group);
    }
    for (const ContactSection& section : sections) {
        rows.append(Header(section.letter));
        for (const Contact& contact : section.contacts)
            rows.append(contact);
    }
    return rows;
}

void ContactListModel::rebuild()
{
    QList<Row> rows = rowsOf();
    bool sameRows = rows.size() == m_rows.size();
    for (qsizetype i = 0; sameRows && i < rows.size(); ++i) {
        const Row& now = rows.at(i);
        const Row& before = m_rows.at(i);
        sameRows = now.index() == before.index()
            && (std::holds_alternative<Header>(now) ? std::get<Header>(now) == std::get<Header>(before)
                : std::holds_alternative<ChatGroup>(now) ? std::get<ChatGroup>(now).id == std::get<ChatGroup>(before).id
                                                          : std::get<Contact>(now).id == std::get<Contact>(before).id);
    }
    if (!sameRows) {
        beginResetModel();
        m_rows = std::move(rows);
        indexUsers();
        endResetModel();
        return;
    }
    // A reload that keeps everyone in place repaints only what it changed.
    for (int row = 0; row < rows.size(); ++row) {
        const Row& now = rows.at(row);
        Row& before = m_rows[row];
        const bool same = std::holds_alternative<Header>(now) ? true
            : std::holds_alternative<ChatGroup>(now)          ? sameShown(std::get<ChatGroup>(now), std::get<ChatGroup>(before))
                                                              : sameShown(std::get<Contact>(now), std::get<Contact>(before));
        before = now;
        if (!same)
            Q_EMIT dataChanged(index(row), index(row));
    }
}

void ContactListModel::applyPresence(qint64 userId, bool online)
{
    for (auto it = m_userRows.constFind(userId); it != m_userRows.cend() && it.key() == userId; ++it) {
        std::get<Contact>(m_rows[it.value()]).online = online;
        Q_EMIT dataChanged(index(it.value()), index(it.value()), { OnlineRole });
    }
}

int ContactListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

ContactListModel::Kind ContactListModel::kindAt(int row) const
{
    const Row& entry = m_rows.at(row);
    if (std::holds_alternative<Header>(entry))
        return Kind::Header;
    return std::holds_alternative<ChatGroup>(entry) ? Kind::Group : Kind::Contact;
}

const Contact* ContactListModel::contactAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? std::get_if<Contact>(&m_rows.at(row)) : nullptr;
}

const ChatGroup* ContactListModel::groupAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? std::get_if<ChatGroup>(&m_rows.at(row)) : nullptr;
}

int ContactListModel::rowOfUser(qint64 userId) const
{
    return m_userRows.value(userId, -1);
}

Qt::ItemFlags ContactListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return Qt::NoItemFlags;
    switch (kindAt(index.row())) {
    case Kind::Header:
        return Qt::NoItemFlags;
    case Kind::Group:
        // Clickable, never selected: a group opens its chat instead.
        return Qt::ItemIsEnabled;
    case Kind::Contact:
        break;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant ContactListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows.at(index.row());
    if (role == KindRole)
        return int(kindAt(index.row()));
    if (const auto* letter = std::get_if<Header>(&row)) {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return {};
        if (!letter->isEmpty())
            return *letter;
        return Localized::text("contacts.groups_section") + QStringLiteral(" (%1)").arg(m_viewModel->groups().size());
    }
    if (const auto* group = std::get_if<ChatGroup>(&row)) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return group->name;
        case IdRole:
            return group->id;
        case SubtitleRole:
            return memberCountText(*group);
        case AvatarRole:
            return group->avatar.value_or(QString());
        default:
            return {};
        }
    }
    const Contact& contact = std::get<Contact>(row);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return ContactSection::displayName(contact);
    case IdRole:
        return contact.id;
    case UserIdRole:
        return contact.contactId;
    case SubtitleRole:
        return contact.bio.value_or(QString());
    case OnlineRole:
        // Only a true flag is online: false and absent alike are not.
        return contact.online.value_or(false);
    case AvatarRole:
        return contact.avatar.value_or(QString());
    default:
        return {};
    }
}
