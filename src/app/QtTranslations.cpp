#include "app/QtTranslations.h"

#include "state/common/LocalizationManager.h"

#include <QCoreApplication>
#include <QLibraryInfo>

QtTranslations::QtTranslations(QObject* parent)
    : QObject(parent)
{
    LocalizationManager& language = LocalizationManager::shared();
    connect(&language, &LocalizationManager::currentLanguageChanged, this, &QtTranslations::load);
    load(language.currentLanguage());
}

QtTranslations::~QtTranslations()
{
    if (m_installed)
        QCoreApplication::removeTranslator(&m_translator);
}

QString QtTranslations::catalogueLocale(AppLanguage language)
{
    switch (language) {
    case AppLanguage::zhHans:
        return QStringLiteral("zh_CN");
    case AppLanguage::vi:
        return QStringLiteral("vi");
    case AppLanguage::en:
        break;
    }
    return {};
}

void QtTranslations::load(AppLanguage language)
{
    if (m_installed) {
        QCoreApplication::removeTranslator(&m_translator);
        m_installed = false;
    }
    const QString locale = catalogueLocale(language);
    if (locale.isEmpty())
        return;
    // Only Qt's base module shows text of its own here (standard buttons and menus);
    // "qt_<locale>" would load the catalogue of every module (Debian: qt6-translations-l10n).
    if (m_translator.load(QStringLiteral("qtbase_") + locale, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        m_installed = QCoreApplication::installTranslator(&m_translator);
}
