#pragma once

// Case-insensitive substring search over any Unicode text, as the administration lists
// search: SQLite's own LIKE folds ASCII letters only. The SQL function
// "contains_folded(text, key)", which every connection installs when it opens, is that
// test inside a statement (1 when text holds key, 0 otherwise, NULL for a NULL text).

#include <QStringList>
#include <QStringView>

struct sqlite3;

namespace foldedtext {

bool contains(QStringView text, QStringView key);
// The spellings of a key of one or two code points in every case of its letters, so
// that an index of exact characters finds it whatever case a text wrote it in.
QStringList caseVariants(QStringView key);
// Makes contains_folded() known to the connection; throws DatabaseError when it cannot.
void install(sqlite3* connection);

} // namespace foldedtext
