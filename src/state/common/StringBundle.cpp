#include "state/common/StringBundle.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

std::optional<StringBundle> StringBundle::open(const QString& path)
{
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    const QString tablePath = QDir(path).filePath(tableFileName());
    if (!QFileInfo::exists(tablePath))
        return StringBundle(path, StringTable());
    QString error;
    std::optional<StringTable> table = StringTable::load(tablePath, &error);
    if (!table) {
        qWarning().noquote() << "[Localization] Unreadable string table" << tablePath << error;
        return StringBundle(path, StringTable());
    }
    return StringBundle(path, std::move(*table));
}

QString StringBundle::localizedString(const QString& key) const
{
    return m_table.value(key).value_or(key);
}
