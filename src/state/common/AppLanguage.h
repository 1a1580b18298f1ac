#pragma once

#include <QList>
#include <QString>

#include <optional>

// The three interface languages. The raw value names the string-table folder
// ("<raw>.lproj") and is what the "appLanguage" preference stores.
enum class AppLanguage { zhHans, en, vi };

namespace appLanguage {

QString rawValue(AppLanguage language);
// Only an exact, case-sensitive raw value gives a language.
std::optional<AppLanguage> fromRawValue(const QString& raw);
QList<AppLanguage> allCases();

} // namespace appLanguage

inline size_t qHash(AppLanguage language, size_t seed = 0) noexcept
{
    return qHash(appLanguage::rawValue(language), seed);
}
