#pragma once

#include <QAbstractListModel>
#include <QList>

#include <algorithm>

// A painted list of server records, one row each, kept in step with the list its
// screen's state holds. A newer list keeps the rows it shares with the shown one:
// a row whose record keeps its id and place stays, and is redrawn when any field
// it shows changed; rows beyond the common part are added or taken at the end; a
// list whose ids differ at any common place is shown afresh. Record has an id.
template <typename Record>
class RecordListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_records.size()); }

protected:
    const QList<Record>& records() const { return m_records; }

    // sameShown(a, b): the two versions of a record show alike in a row.
    template <typename SameShown>
    void showRecords(const QList<Record>& next, SameShown sameShown)
    {
        const qsizetype common = std::min(next.size(), m_records.size());
        for (qsizetype i = 0; i < common; ++i) {
            if (next.at(i).id != m_records.at(i).id) {
                beginResetModel();
                m_records = next;
                endResetModel();
                return;
            }
        }
        if (next.size() < m_records.size()) {
            beginRemoveRows({}, int(next.size()), int(m_records.size()) - 1);
            m_records.resize(next.size());
            endRemoveRows();
        }
        for (qsizetype i = 0; i < common; ++i) {
            // Taken whole, fields no row shows too: actions read them.
            const bool redraw = !sameShown(next.at(i), m_records.at(i));
            m_records[i] = next.at(i);
            if (redraw)
                Q_EMIT dataChanged(index(int(i)), index(int(i)));
        }
        if (next.size() > m_records.size()) {
            beginInsertRows({}, int(m_records.size()), int(next.size()) - 1);
            m_records.append(next.mid(m_records.size()));
            endInsertRows();
        }
    }

private:
    QList<Record> m_records;
};
