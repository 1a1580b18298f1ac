#include "views/admin/SensitiveWordsTableModel.h"

#include "state/admin/SensitiveWordsViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/admin/AdminCellDelegate.h"
#include "views/common/Localized.h"

namespace {

const char* const columnKeys[] = { "ID", "admin.words_word", "admin.words_category", "admin.words_level",
                                   "admin.words_replacement", "admin.words_status", "admin.users_actions" };

} // namespace

SensitiveWordsTableModel::SensitiveWordsTableModel(SensitiveWordsViewModel* words, QObject* parent)
    : QAbstractTableModel(parent)
    , m_words(words)
{
    connect(words, &SensitiveWordsViewModel::wordsAboutToBeReset, this, &SensitiveWordsTableModel::beginResetModel);
    connect(words, &SensitiveWordsViewModel::wordsChanged, this, &SensitiveWordsTableModel::endResetModel);
    connect(words, &SensitiveWordsViewModel::wordAboutToBeAppended, this, [this] {
        beginInsertRows({}, rowCount(), rowCount());
    });
    connect(words, &SensitiveWordsViewModel::wordAppended, this, &SensitiveWordsTableModel::endInsertRows);
    connect(words, &SensitiveWordsViewModel::wordAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(words, &SensitiveWordsViewModel::wordRemoved, this, &SensitiveWordsTableModel::endRemoveRows);
    connect(words, &SensitiveWordsViewModel::deletingChanged, this, &SensitiveWordsTableModel::deletingChanged);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &SensitiveWordsTableModel::retranslate);
}

int SensitiveWordsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_words->words().size());
}

int SensitiveWordsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SensitiveWordsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == IdColumn ? QStringLiteral("ID") : Localized::text(columnKeys[section]);
}

QVariant SensitiveWordsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const SensitiveWord& word = m_words->words().at(index.row());
    if (role == WordIdRole)
        return word.id;
    using Style = AdminCellDelegate::TextStyle;
    switch (index.column()) {
    case IdColumn:
        return AdminCellDelegate::textData(QString::number(word.id), Style::CaptionMonospaced, role);
    case WordColumn:
        return AdminCellDelegate::textData(word.word, Style::Body, role);
    case CategoryColumn:
        return AdminCellDelegate::badgeData(SensitiveWordsViewModel::categoryLabel(word.category),
                                            SensitiveWordsViewModel::categoryColor(word.category), role);
    case LevelColumn:
        return AdminCellDelegate::textData(word.level.value_or(QStringLiteral("-")), Style::CaptionSecondary, role);
    case ReplacementColumn:
        return AdminCellDelegate::textData(word.replacement.value_or(QStringLiteral("-")), Style::CaptionSecondary, role);
    case StatusColumn: {
        const bool active = word.isActive.value_or(true);
        // The dot alone says it to the eye; a screen reader gets it in words.
        if (role == Qt::AccessibleTextRole)
            return Localized::text(active ? "admin.words_enabled" : "admin.words_disabled");
        return AdminCellDelegate::dotData(QString(), active ? Tint::Green : Tint::Gray, role);
    }
    case ActionsColumn:
        return AdminCellDelegate::actionsData({ AdminCellDelegate::cellAction(QStringLiteral("deleteButton"), Localized::text("common.delete"), Tint::Red,
                                                             !m_words->isDeleting(word.id)) },
                                              role);
    default:
        return {};
    }
}

void SensitiveWordsTableModel::retranslate()
{
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, CategoryColumn), index(rowCount() - 1, ActionsColumn));
}

void SensitiveWordsTableModel::deletingChanged(qint64 id)
{
    const QList<SensitiveWord>& words = m_words->words();
    for (int row = 0; row < words.size(); ++row) {
        if (words.at(row).id == id)
            Q_EMIT dataChanged(index(row, ActionsColumn), index(row, ActionsColumn));
    }
}

SensitiveWordsFilter::SensitiveWordsFilter(SensitiveWordsViewModel* words, SensitiveWordsTableModel* source, QObject* parent)
    : QAbstractTableModel(parent)
    , m_words(words)
    , m_source(source)
{
    connect(words, &SensitiveWordsViewModel::searchTextChanged, this, [this] {
        m_foldedSearch = m_words->searchText().toCaseFolded();
        refilter();
    });
    connect(source, &QAbstractItemModel::modelReset, this, [this] {
        m_keys.clear();
        refilter();
    });
    connect(source, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        m_keys.clear();
        // Rows after the new ones move down; the new ones come in at their place.
        const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), first);
        for (auto it = at; it != m_rows.end(); ++it)
            *it += last - first + 1;
        int position = int(at - m_rows.begin());
        for (int row = first; row <= last; ++row) {
            if (!accepts(row))
                continue;
            beginInsertRows({}, position, position);
            m_rows.insert(position, row);
            endInsertRows();
            ++position;
        }
    });
    connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        m_keys.clear();
        const auto from = std::lower_bound(m_rows.begin(), m_rows.end(), first);
        const auto to = std::upper_bound(m_rows.begin(), m_rows.end(), last);
        if (from != to) {
            const int begin = int(from - m_rows.begin());
            beginRemoveRows({}, begin, int(to - m_rows.begin()) - 1);
            m_rows.erase(from, to);
            endRemoveRows();
        }
        for (int& row : m_rows) {
            if (row > last)
                row -= last - first + 1;
        }
    });
    connect(source, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
        const auto from = std::lower_bound(m_rows.cbegin(), m_rows.cend(), topLeft.row());
        const auto to = std::upper_bound(m_rows.cbegin(), m_rows.cend(), bottomRight.row());
        if (from != to)
            Q_EMIT dataChanged(index(int(from - m_rows.cbegin()), topLeft.column()),
                               index(int(to - m_rows.cbegin()) - 1, bottomRight.column()));
    });
    connect(source, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
    refilter();
}

void SensitiveWordsFilter::refilter()
{
    beginResetModel();
    m_rows.clear();
    const int count = m_source->rowCount();
    for (int row = 0; row < count; ++row) {
        if (accepts(row))
            m_rows.append(row);
    }
    endResetModel();
}

bool SensitiveWordsFilter::accepts(int sourceRow) const
{
    const QList<SensitiveWord>& words = m_words->words();
    if (m_keys.isEmpty()) {
        m_keys.reserve(words.size());
        for (const SensitiveWord& word : words)
            m_keys.append(SensitiveWordsViewModel::searchKey(word));
    }
    return SensitiveWordsViewModel::matches(m_keys.at(sourceRow), m_foldedSearch);
}

int SensitiveWordsFilter::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SensitiveWordsFilter::columnCount(const QModelIndex& parent) const
{
    return m_source->columnCount(parent);
}

QVariant SensitiveWordsFilter::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    return m_source->index(m_rows.at(index.row()), index.column()).data(role);
}

QVariant SensitiveWordsFilter::headerData(int section, Qt::Orientation orientation, int role) const
{
    return m_source->headerData(section, orientation, role);
}
