#include "state/account/GeneralSettings.h"

#include "models/User.h"
#include "network/NetworkConfig.h"

#include <QSysInfo>

QString GeneralSettings::languageLabel(AppLanguage language)
{
    switch (language) {
    case AppLanguage::zhHans:
        return QStringLiteral("简体中文");
    case AppLanguage::en:
        return QStringLiteral("English");
    case AppLanguage::vi:
        return QStringLiteral("Tiếng Việt");
    }
    return appLanguage::rawValue(language);
}

QString GeneralSettings::roleText(const User& user)
{
    return user.role.value_or(QStringLiteral("user"));
}

QString GeneralSettings::apiAddress()
{
    return NetworkConfig::apiBaseUrl();
}

QString GeneralSettings::webSocketAddress()
{
    return NetworkConfig::webSocketUrl();
}

QString GeneralSettings::version()
{
    return QStringLiteral("1.0.0");
}

QString GeneralSettings::platform()
{
    return QSysInfo::prettyProductName();
}
