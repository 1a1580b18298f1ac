#include "views/admin/SensitiveWordsTableModel.h"

#include "state/LocalizationManager.h"
#include "state/SensitiveWordsViewModel.h"
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
        return AdminCellDelegate::textData(QString::number(word.id), Style::Caption, role);
    case WordColumn:
        return AdminCellDelegate::textData(word.word, Style::Body, role);
    case CategoryColumn:
        return AdminCellDelegate::badgeData(SensitiveWordsViewModel::categoryLabel(word.category),
                                            SensitiveWordsViewModel::categoryColor(word.category), role);
    case LevelColumn:
        return AdminCellDelegate::textData(word.level.value_or(QStringLiteral("-")), Style::CaptionSecondary, role);
    case ReplacementColumn:
        return AdminCellDelegate::textData(word.replacement.value_or(QStringLiteral("-")), Style::CaptionSecondary, role);
    case StatusColumn:
        return AdminCellDelegate::dotData(QString(), word.isActive.value_or(true) ? Tint::Green : Tint::Gray, role);
    case ActionsColumn:
        return AdminCellDelegate::actionsData({ CellAction { QStringLiteral("deleteButton"), Localized::text("common.delete"), Tint::Red,
                                                             !m_words->isDeleting(word.id) } },
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

SensitiveWordsFilter::SensitiveWordsFilter(SensitiveWordsViewModel* words, QObject* parent)
    : QSortFilterProxyModel(parent)
    , m_words(words)
{
    connect(words, &SensitiveWordsViewModel::searchTextChanged, this, &SensitiveWordsFilter::invalidateFilter);
}

bool SensitiveWordsFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    return SensitiveWordsViewModel::matches(m_words->words().at(sourceRow), m_words->searchText());
}
