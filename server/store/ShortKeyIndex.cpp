#include "store/ShortKeyIndex.h"

#include "store/Database.h"

#include <sqlite3.h>

namespace shortkeys {

namespace {

// LIKE folds the case of ASCII letters only.
char32_t folded(char32_t c)
{
    return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
}

// Six hexadecimal digits, enough for every code point. Written by hand: every message
// sent passes through here once per character.
void appendCode(char*& at, char32_t c)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int shift = 20; shift >= 0; shift -= 4)
        *at++ = kDigits[(c >> shift) & 0xf];
}

void tokensFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const QByteArray tokens = tokensOf(QString::fromUtf8(text, sqlite3_value_bytes(arguments[0])));
    sqlite3_result_text(context, tokens.constData(), int(tokens.size()), SQLITE_TRANSIENT);
}

} // namespace

QByteArray tokensOf(QStringView text)
{
    const QList<uint> codes = text.toUcs4();
    QByteArray out(codes.size() * 13, Qt::Uninitialized);
    char* at = out.data();
    for (qsizetype i = 0; i < codes.size(); ++i) {
        if (i > 0)
            *at++ = ' ';
        appendCode(at, folded(codes[i]));
        if (i + 1 < codes.size())
            appendCode(at, folded(codes[i + 1]));
    }
    out.truncate(at - out.constData());
    return out;
}

QString queryOf(QStringView key)
{
    const QList<uint> codes = key.toUcs4();
    QByteArray token(codes.size() * 6, Qt::Uninitialized);
    char* at = token.data();
    for (const uint c : codes)
        appendCode(at, folded(c));
    // One character: every token that starts with it.
    return u'"' + QString::fromLatin1(token) + (token.size() == 6 ? QStringLiteral("\" *") : QStringLiteral("\""));
}

QString queryOfAny(const QStringList& keys)
{
    QStringList queries;
    for (const QString& key : keys) {
        const QString query = queryOf(key);
        // Spellings that differ only in ASCII case are one token here.
        if (!queries.contains(query))
            queries.append(query);
    }
    return queries.join(QStringLiteral(" OR "));
}

void install(sqlite3* connection)
{
    if (sqlite3_create_function_v2(connection, "short_key_tokens", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
               tokensFunction, nullptr, nullptr, nullptr)
            != SQLITE_OK)
        throw DatabaseError("cannot install the SQL function short_key_tokens");
}

} // namespace shortkeys
