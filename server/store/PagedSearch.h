#pragma once

// One page of an administration list with an optional search: the rows in a stable
// order, and how many rows match in all. The search is a case-insensitive substring
// test over any Unicode text, which SQLite's own LIKE cannot do (it folds ASCII only),
// so matching runs here over the searchable columns.

#include <QList>
#include <QString>

class Database;

struct PageRequest {
    static constexpr qint64 kMaxLimit = 100;

    qint64 page = 1; // 1-based
    qint64 limit = 20;
    QString search; // empty: every row

    qint64 offset() const { return (page - 1) * limit; }
};

struct PageOfIds {
    QList<qint64> ids;
    qint64 total = 0;
};

// sql selects the row id first and then the columns the search looks in, in list
// order, with no LIMIT and no placeholders of its own.
PageOfIds pageOfMatches(Database& db, const QString& sql, const PageRequest& request);
