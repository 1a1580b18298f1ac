#include "views/admin/SensitiveWordsTableModel.h"

#include "state/LocalizationManager.h"
#include "state/SensitiveWordsViewModel.h"
#include "views/admin/AdminCellDelegate.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"
#include "views/common/PlainToolTip.h"

using Appearance::TextStyle;

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
    const int column = index.column();
    switch (column) {
    case CategoryColumn:
        if (role == AdminCellDelegate::KindRole)
            return int(AdminCellDelegate::Kind::Badge);
        if (role == Qt::DisplayRole)
            return SensitiveWordsViewModel::categoryLabel(word.category);
        if (role == AdminCellDelegate::TintRole)
            return int(SensitiveWordsViewModel::categoryColor(word.category));
        return {};
    case StatusColumn:
        if (role == AdminCellDelegate::KindRole)
            return int(AdminCellDelegate::Kind::Dot);
        if (role == AdminCellDelegate::TintRole)
            return int(word.isActive.value_or(true) ? Tint::Green : Tint::Gray);
        return {};
    case ActionsColumn:
        if (role == AdminCellDelegate::KindRole)
            return int(AdminCellDelegate::Kind::Actions);
        if (role == AdminCellDelegate::ActionsRole) {
            const CellAction remove { QStringLiteral("deleteButton"), Localized::text("common.delete"), Tint::Red,
                                      !m_words->isDeleting(word.id) };
            return QVariant::fromValue(QList<CellAction> { remove });
        }
        return {};
    default:
        break;
    }
    const QString text = column == IdColumn ? QString::number(word.id)
        : column == WordColumn              ? word.word
        : column == LevelColumn             ? word.level.value_or(QStringLiteral("-"))
                                            : word.replacement.value_or(QStringLiteral("-"));
    switch (role) {
    case AdminCellDelegate::KindRole:
        return int(AdminCellDelegate::Kind::Text);
    case Qt::DisplayRole:
        return text;
    case Qt::ToolTipRole:
        return plainToolTip(text);
    case Qt::FontRole:
        return Appearance::font(column == WordColumn ? TextStyle::Body : TextStyle::Caption);
    case Qt::ForegroundRole:
        if (column == LevelColumn || column == ReplacementColumn)
            return Appearance::secondaryText();
        return {};
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
