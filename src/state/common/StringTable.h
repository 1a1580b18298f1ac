#pragma once

#include <QHash>
#include <QString>

#include <optional>

// One "Localizable.strings" table: lines of "key" = "value"; with /* */ and //
// comments. Quoted texts understand \" \\ \n \t \r \0 and \uXXXX / \UXXXX
// (a surrogate pair may be written as two escapes). Unquoted keys and values
// made of letters, digits and _ . - / : $ are accepted as plain-list files allow.
class StringTable {
public:
    StringTable() = default;

    // A table whose text is malformed is refused as a whole, with the line of the
    // first fault in `error`: half a table would hide which keys went missing. A
    // leading byte-order mark is skipped.
    static std::optional<StringTable> parse(const QString& text, QString* error = nullptr);
    // Reads a UTF-8 file (a byte-order mark is skipped).
    static std::optional<StringTable> load(const QString& path, QString* error = nullptr);

    // The text for key, or absent when the table lacks it.
    std::optional<QString> value(const QString& key) const;
    qsizetype size() const { return m_entries.size(); }
    QList<QString> keys() const { return m_entries.keys(); }

private:
    QHash<QString, QString> m_entries;
};
