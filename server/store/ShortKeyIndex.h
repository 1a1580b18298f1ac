#pragma once

// Keys of one or two characters make no trigram, so message texts have a second index
// for them: every character with the one after it (the last character alone), each pair
// written as one token of hexadecimal code points. A two-character key is one token; a
// one-character key is the prefix of every token it starts. ASCII letters are taken in
// lower case, as LIKE compares them; every other character as it is.
//
// The tokens are made by the SQL function "short_key_tokens(text)", which every
// connection installs when it opens (the index's triggers call it).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

struct sqlite3;

namespace shortkeys {

// Keys of fewer code points than this go to this index.
constexpr qsizetype kLongKey = 3;

// The tokens of a text, separated by spaces (ASCII).
QByteArray tokensOf(QStringView text);
// The query of the index (its MATCH expression) that finds a key of one or two code points.
QString queryOf(QStringView key);
// The query that finds any of these keys (each of one or two code points).
QString queryOfAny(const QStringList& keys);
// Makes short_key_tokens() known to the connection; throws DatabaseError when it cannot.
void install(sqlite3* connection);

} // namespace shortkeys
