#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

class SensitiveWordsViewModel;

// The sensitive words as table rows for AdminCellDelegate: id, word, category
// badge, level, replacement, active dot and the delete button. It follows the
// view model's changes row by row and relabels itself on a language switch.
class SensitiveWordsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { IdColumn, WordColumn, CategoryColumn, LevelColumn, ReplacementColumn, StatusColumn, ActionsColumn, ColumnCount };
    static constexpr int WordIdRole = Qt::UserRole + 1;

    explicit SensitiveWordsTableModel(SensitiveWordsViewModel* words, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void retranslate();
    void deletingChanged(qint64 id);

    SensitiveWordsViewModel* m_words;
};

// The words that contain the search text (see SensitiveWordsViewModel::matches);
// a keystroke re-tests the rows without rebuilding anything on screen.
class SensitiveWordsFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit SensitiveWordsFilter(SensitiveWordsViewModel* words, QObject* parent = nullptr);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    SensitiveWordsViewModel* m_words;
};
