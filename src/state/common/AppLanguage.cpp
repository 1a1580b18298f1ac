#include "state/common/AppLanguage.h"

namespace appLanguage {

QString rawValue(AppLanguage language)
{
    switch (language) {
    case AppLanguage::zhHans:
        return QStringLiteral("zh-Hans");
    case AppLanguage::en:
        return QStringLiteral("en");
    case AppLanguage::vi:
        return QStringLiteral("vi");
    }
    return {};
}

std::optional<AppLanguage> fromRawValue(const QString& raw)
{
    for (AppLanguage language : allCases()) {
        if (rawValue(language) == raw)
            return language;
    }
    return std::nullopt;
}

QList<AppLanguage> allCases()
{
    return { AppLanguage::zhHans, AppLanguage::en, AppLanguage::vi };
}

} // namespace appLanguage
