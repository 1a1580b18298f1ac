#include "views/contacts/SearchResultModel.h"

#include "views/common/Localized.h"

void SearchResultModel::setResult(const std::optional<SearchService::GlobalSearchResult>& result)
{
    beginResetModel();
    m_result = result.value_or(SearchService::GlobalSearchResult {});
    m_rows.clear();
    auto section = [this](Kind kind, qsizetype count) {
        if (count == 0)
            return;
        m_rows.append(Row { Kind::Header, qsizetype(kind) });
        for (qsizetype i = 0; i < count; ++i)
            m_rows.append(Row { kind, i });
    };
    section(Kind::Contact, m_result.contacts.size());
    section(Kind::Group, m_result.groups.size());
    section(Kind::Message, m_result.messages.size());
    endResetModel();
}

int SearchResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

Qt::ItemFlags SearchResultModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= rowCount() || kindAt(index.row()) == Kind::Header)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled;
}

QVariant SearchResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows.at(index.row());
    if (role == KindRole)
        return int(row.kind);
    // A screen reader reads a result as it shows: its title, then the line under it
    // and the time beside it.
    if (role == Qt::AccessibleTextRole && row.kind != Kind::Header) {
        QStringList parts;
        for (int shown : { int(Qt::DisplayRole), int(DetailRole), int(TimeRole) }) {
            const QString part = data(index, shown).toString();
            if (!part.isEmpty())
                parts << part;
        }
        return parts.join(QStringLiteral(", "));
    }
    const bool text = role == Qt::DisplayRole || role == Qt::AccessibleTextRole;
    switch (row.kind) {
    case Kind::Header: {
        static const char* const keys[] = { "", "search.contacts", "search.groups", "search.messages" };
        static const char* const sections[] = { "", "contacts", "groups", "messages" };
        if (text)
            return Localized::text(keys[row.position]);
        return role == SectionRole ? QVariant(QString::fromLatin1(sections[row.position])) : QVariant();
    }
    case Kind::Contact: {
        const SearchService::SearchUser& user = m_result.contacts.at(row.position);
        if (text)
            return user.username;
        if (role == DetailRole)
            return user.bio.value_or(QString());
        return role == AvatarRole ? QVariant(user.avatar.value_or(QString())) : QVariant();
    }
    case Kind::Group: {
        const SearchService::SearchGroup& group = m_result.groups.at(row.position);
        if (text)
            return group.name;
        if (role == DetailRole) {
            return group.memberCount
                ? QString::number(*group.memberCount) + QLatin1Char(' ') + Localized::text("contacts.members_count").trimmed()
                : QString();
        }
        return role == AvatarRole ? QVariant(group.avatar.value_or(QString())) : QVariant();
    }
    case Kind::Message: {
        const SearchService::SearchMessage& message = m_result.messages.at(row.position);
        if (text)
            return message.senderName.value_or(Localized::text("default.unknown"));
        if (role == DetailRole)
            return message.content.value_or(QString());
        return role == TimeRole ? QVariant(message.createdAt.value_or(QString())) : QVariant();
    }
    }
    return {};
}
