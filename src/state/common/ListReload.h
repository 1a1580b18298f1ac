#pragma once

#include <QList>

#include <functional>
#include <utility>
#include <vector>

// A list read whole from the server while row actions (a removal, an addition, a
// change in place) change it one row at a time. A read's answer may have been
// put together on the server before an action that ended while it was on its
// way, so an answer cannot undo such an action: each action's result is recorded
// here and applied again to the answer of the latest read before it is shown. A
// read that starts after an action ended is the server's word on it. Of
// overlapping reads, only the latest one's answer counts.
template <typename Row>
class ListReload {
public:
    // Changes rows; true when it changed any.
    using Edit = std::function<bool(QList<Row>&)>;

    // A read starts: what ended before it, its answer knows. Returns the ticket
    // its answer is judged by.
    quint64 begin()
    {
        m_edits.clear();
        return ++m_latest;
    }
    // No read has started since the one of ticket.
    bool isLatest(quint64 ticket) const { return ticket == m_latest; }

    // An action ended: its result is kept for the answer of a read on its way.
    void record(Edit edit) { m_edits.push_back(std::move(edit)); }
    // Applies the result to rows now and records it; true when rows changed.
    bool apply(QList<Row>& rows, Edit edit)
    {
        const bool changed = edit(rows);
        record(std::move(edit));
        return changed;
    }
    // The latest read's answer, before it is shown: the results of the actions
    // that ended while it was on its way, in the order they ended. True when they
    // changed it.
    bool settle(QList<Row>& answer)
    {
        bool changed = false;
        for (const Edit& edit : m_edits)
            changed = edit(answer) || changed;
        m_edits.clear();
        return changed;
    }

    // Every row with that id goes.
    static Edit removal(qint64 id)
    {
        return [id](QList<Row>& rows) { return rows.removeIf([id](const Row& row) { return row.id == id; }) > 0; };
    }
    // The row comes at the end, unless a row with its id is there already.
    static Edit addition(Row added)
    {
        return [added = std::move(added)](QList<Row>& rows) {
            for (const Row& row : rows) {
                if (row.id == added.id)
                    return false;
            }
            rows.append(added);
            return true;
        };
    }
    // The first row with that id takes the change.
    static Edit change(qint64 id, std::function<void(Row&)> apply)
    {
        return [id, apply = std::move(apply)](QList<Row>& rows) {
            for (Row& row : rows) {
                if (row.id == id) {
                    apply(row);
                    return true;
                }
            }
            return false;
        };
    }

private:
    quint64 m_latest = 0;
    std::vector<Edit> m_edits;
};
