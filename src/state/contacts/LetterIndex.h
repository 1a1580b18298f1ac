#pragma once

#include <QString>

// The index letter under which a name is listed: the upper-cased Latin letter its
// first character reads as (张 → Z, Émile → E, Иван → I), or "#" when it has none.
namespace letterIndex {

QString letterFor(const QString& displayName);

// Ordinal order by Unicode scalar values after canonical (NFC) normalisation:
// case-sensitive and not locale-aware, so "#" < "A" < "Z" < "a" < "Ł".
bool ordinalLess(const QString& a, const QString& b);
// What ordinalLess compares, worked out once per name for sorting many: the NFC
// form, ordered by ordinalKeyLess.
QString ordinalKey(const QString& text);
bool ordinalKeyLess(const QString& a, const QString& b);

} // namespace letterIndex
