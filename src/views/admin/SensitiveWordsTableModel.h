#pragma once

#include "state/SensitiveWordsViewModel.h"

#include <QAbstractTableModel>

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

// The words that contain the search text (see SensitiveWordsViewModel::matches),
// as rows of the table model in their order. A keystroke tests every word
// against keys folded once per word and starts the rows over in one reset, so
// the view relays out once instead of once per run of rows that came or went;
// an added or removed word moves only its row.
class SensitiveWordsFilter : public QAbstractTableModel {
    Q_OBJECT
public:
    SensitiveWordsFilter(SensitiveWordsViewModel* words, SensitiveWordsTableModel* source, QObject* parent = nullptr);

    SensitiveWordsTableModel* sourceModel() const { return m_source; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void refilter();
    bool accepts(int sourceRow) const;

    SensitiveWordsViewModel* m_words;
    SensitiveWordsTableModel* m_source;
    QString m_foldedSearch;
    // One key per word of the list, made on the first test after the list changed.
    mutable QList<SensitiveWordsViewModel::SearchKey> m_keys;
    // The source rows shown, ascending.
    QList<int> m_rows;
};
