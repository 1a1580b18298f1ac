#include "store/FoldedText.h"

#include "store/Database.h"

#include <sqlite3.h>

namespace foldedtext {

namespace {

QString textArgument(sqlite3_value* value)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
}

void containsFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_int(context, contains(textArgument(arguments[0]), textArgument(arguments[1])) ? 1 : 0);
}

// A code point in each of its cases, itself first.
QList<char32_t> casesOf(char32_t c)
{
    QList<char32_t> cases { c };
    for (const char32_t other : { QChar::toLower(c), QChar::toUpper(c), QChar::toTitleCase(c), QChar::toCaseFolded(c),
             QChar::toUpper(QChar::toCaseFolded(c)), QChar::toLower(QChar::toUpper(c)) }) {
        if (!cases.contains(other))
            cases.append(other);
    }
    return cases;
}

} // namespace

bool contains(QStringView text, QStringView key)
{
    return text.contains(key, Qt::CaseInsensitive);
}

QStringList caseVariants(QStringView key)
{
    QStringList variants { QString() };
    for (const char32_t c : key.toUcs4()) {
        QStringList longer;
        for (const char32_t spelling : casesOf(c)) {
            for (const QString& start : std::as_const(variants))
                longer.append(start + QString::fromUcs4(&spelling, 1));
        }
        variants = longer;
    }
    return variants;
}

void install(sqlite3* connection)
{
    if (sqlite3_create_function_v2(connection, "contains_folded", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
               containsFunction, nullptr, nullptr, nullptr)
            != SQLITE_OK)
        throw DatabaseError("cannot install the SQL function contains_folded");
}

} // namespace foldedtext
