#pragma once

#include "state/common/StringTable.h"

#include <QString>

#include <optional>

// A folder of string tables: "<root>/<language>.lproj/Localizable.strings".
// Looking a key up gives its text, or the key itself when the table lacks it,
// so a missing translation shows up on screen instead of an empty label.
class StringBundle {
public:
    StringBundle() = default;
    StringBundle(QString path, StringTable table) : m_path(std::move(path)), m_table(std::move(table)) {}

    // The bundle in folder `path`; absent when the folder does not exist. A folder
    // without a readable table still opens, with no texts.
    static std::optional<StringBundle> open(const QString& path);

    QString path() const { return m_path; }
    const StringTable& table() const { return m_table; }
    QString localizedString(const QString& key) const;

    static QString tableFileName() { return QStringLiteral("Localizable.strings"); }

private:
    QString m_path;
    StringTable m_table;
};
