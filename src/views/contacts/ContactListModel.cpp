#include "views/contacts/ContactListModel.h"

#include "state/contacts/ContactListViewModel.h"
#include "state/contacts/ContactSection.h"
#include "state/contacts/LetterIndex.h"
#include "views/common/Localized.h"

#include <algorithm>

namespace {

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

// A row read as its parts, the empty ones left out.
QString readAloud(const QStringList& parts)
{
    QStringList shown = parts;
    shown.removeAll(QString());
    return shown.join(QStringLiteral(", "));
}

} // namespace

ContactListModel::ContactListModel(ContactListViewModel* viewModel, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
    , m_groups(viewModel->groups())
    , m_sections(viewModel->sections())
    , m_rows(rowsOf(m_groups, m_sections))
{
    connect(viewModel, &ContactListViewModel::groupsChanged, this, &ContactListModel::rebuild);
    connect(viewModel, &ContactListViewModel::sectionsChanged, this, &ContactListModel::rebuild);
    connect(viewModel, &ContactListViewModel::presenceChanged, this, &ContactListModel::applyPresence);
}

QList<ContactListModel::Row> ContactListModel::rowsOf(const QList<ChatGroup>& groups, const QList<ContactSection>& sections)
{
    QList<Row> rows;
    qsizetype size = groups.isEmpty() ? 0 : groups.size() + 1;
    for (const ContactSection& section : sections)
        size += section.contacts.size() + 1;
    rows.reserve(size);
    if (!groups.isEmpty()) {
        rows.append(Row { Kind::Header, -1, -1 });
        for (qsizetype i = 0; i < groups.size(); ++i)
            rows.append(Row { Kind::Group, -1, i });
    }
    for (qsizetype s = 0; s < sections.size(); ++s) {
        rows.append(Row { Kind::Header, s, -1 });
        for (qsizetype i = 0; i < sections.at(s).contacts.size(); ++i)
            rows.append(Row { Kind::Contact, s, i });
    }
    return rows;
}

qint64 ContactListModel::idAt(const Row& row) const
{
    switch (row.kind) {
    case Kind::Header:
        return 0;
    case Kind::Group:
        return m_groups.at(row.position).id;
    case Kind::Contact:
        break;
    }
    return contact(row).id;
}

void ContactListModel::rebuild()
{
    QList<ChatGroup> groups = m_viewModel->groups();
    QList<ContactSection> sections = m_viewModel->sections();
    QList<Row> rows = rowsOf(groups, sections);
    bool sameRows = rows == m_rows;
    for (qsizetype s = 0; sameRows && s < sections.size(); ++s)
        sameRows = sections.at(s).letter == m_sections.at(s).letter;
    for (qsizetype i = 0; sameRows && i < rows.size(); ++i) {
        const Row& row = rows.at(i);
        sameRows = row.kind == Kind::Header
            || (row.kind == Kind::Group ? groups.at(row.position).id
                                        : sections.at(row.section).contacts.at(row.position).id) == idAt(row);
    }
    if (!sameRows) {
        beginResetModel();
        m_groups = std::move(groups);
        m_sections = std::move(sections);
        m_rows = std::move(rows);
        m_userRows.clear();
        endResetModel();
        return;
    }
    // A reload that keeps everyone in place repaints only what it changed.
    QList<int> changed;
    for (int i = 0; i < rows.size(); ++i) {
        const Row& row = rows.at(i);
        if ((row.kind == Kind::Group && !sameShown(groups.at(row.position), m_groups.at(row.position)))
            || (row.kind == Kind::Contact && !sameShown(sections.at(row.section).contacts.at(row.position), contact(row))))
            changed << i;
    }
    m_groups = std::move(groups);
    m_sections = std::move(sections);
    m_userRows.clear();
    for (int i : std::as_const(changed))
        Q_EMIT dataChanged(index(i), index(i));
}

void ContactListModel::applyPresence(qint64 userId, bool online)
{
    for (int i : rowsOfUser(userId)) {
        const Row& row = m_rows.at(i);
        m_sections[row.section].contacts[row.position].online = online;
        Q_EMIT dataChanged(index(i), index(i), { OnlineRole });
    }
}

QList<int> ContactListModel::rowsOfUser(qint64 userId) const
{
    // Indexed on first use after a change of rows, then each look-up is one probe.
    if (m_userRows.isEmpty()) {
        m_userRows.reserve(m_rows.size());
        for (int i = 0; i < m_rows.size(); ++i) {
            if (m_rows.at(i).kind == Kind::Contact)
                m_userRows.insert(contact(m_rows.at(i)).contactId, i);
        }
    }
    return m_userRows.values(userId);
}

int ContactListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

ContactListModel::Kind ContactListModel::kindAt(int row) const
{
    return m_rows.at(row).kind;
}

const Contact* ContactListModel::contactAt(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows.at(row).kind == Kind::Contact ? &contact(m_rows.at(row)) : nullptr;
}

const ChatGroup* ContactListModel::groupAt(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows.at(row).kind == Kind::Group ? &m_groups.at(m_rows.at(row).position) : nullptr;
}

int ContactListModel::rowForLetter(const QString& letter, int from) const
{
    // The section of the letter, else the first one after it, as an index does.
    qsizetype section = -1;
    for (qsizetype s = 0; s < m_sections.size() && section < 0; ++s) {
        if (m_sections.at(s).letter == letter || letterIndex::ordinalLess(letter, m_sections.at(s).letter))
            section = s;
    }
    if (section < 0)
        return -1;
    // The same letter again goes on through its section, and round.
    const bool within = from >= 0 && from < m_rows.size() && m_rows.at(from).kind == Kind::Contact
        && m_rows.at(from).section == section && m_sections.at(section).letter == letter;
    int first = -1;
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows.at(i);
        if (row.kind != Kind::Contact || row.section != section)
            continue;
        if (first < 0)
            first = i;
        if (!within || i > from)
            return within ? i : first;
    }
    return first;
}

int ContactListModel::rowOfUser(qint64 userId) const
{
    const QList<int> rows = rowsOfUser(userId);
    return rows.isEmpty() ? -1 : *std::min_element(rows.begin(), rows.end());
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
        return int(row.kind);
    if (row.kind == Kind::Header) {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return {};
        // The groups' header is localised and counts them, so it is made when shown.
        if (row.section >= 0)
            return m_sections.at(row.section).letter;
        return Localized::text("contacts.groups_section") + QStringLiteral(" (%1)").arg(m_groups.size());
    }
    if (row.kind == Kind::Group) {
        const ChatGroup& group = m_groups.at(row.position);
        switch (role) {
        case Qt::DisplayRole:
            return group.name;
        case Qt::AccessibleTextRole:
            return readAloud({ group.name, memberCountText(group) });
        case IdRole:
            return group.id;
        case SubtitleRole:
            return memberCountText(group);
        case AvatarRole:
            return group.avatar.value_or(QString());
        default:
            return {};
        }
    }
    const Contact& shown = contact(row);
    switch (role) {
    case Qt::DisplayRole:
        return ContactSection::displayName(shown);
    case Qt::AccessibleTextRole:
        // All the row shows: the name, the bio's one line and the green dot.
        return readAloud({ ContactSection::displayName(shown), shown.bio.value_or(QString()).simplified(),
            shown.online.value_or(false) ? Localized::text("contact.online") : QString() });
    case IdRole:
        return shown.id;
    case UserIdRole:
        return shown.contactId;
    case SubtitleRole:
        return shown.bio.value_or(QString());
    case OnlineRole:
        // Only a true flag is online: false and absent alike are not.
        return shown.online.value_or(false);
    case AvatarRole:
        return shown.avatar.value_or(QString());
    default:
        return {};
    }
}
