#include "state/common/LocalizationManager.h"

#include "network/RequestLanguage.h"

#include <QDir>
#include <QLocale>
#include <QSettings>

LocalizationManager::LocalizationManager(QSettings* settings, QString bundleRoot, QStringList preferredLanguages,
                                         QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_bundleRoot(std::move(bundleRoot))
    , m_preferredLanguages(std::move(preferredLanguages))
{
    m_bundle = mainBundle();
    const QString stored = m_settings->value(storedLanguageKey(), QString()).toString();
    // The language derived from the system is deliberately not stored, so it is
    // derived again at the next start until the user makes a choice.
    m_currentLanguage = appLanguage::fromRawValue(stored).value_or(systemLanguage(m_preferredLanguages));
    m_bundle = bundle(m_currentLanguage);
}

LocalizationManager& LocalizationManager::shared()
{
    static QSettings settings;
    static LocalizationManager* instance = [] {
        static LocalizationManager manager(&settings, builtInBundleRoot(), QLocale::system().uiLanguages());
        // The server answers in the language the interface shows, from the first
        // request on and again right after every switch.
        RequestLanguage::set(appLanguage::rawValue(manager.currentLanguage()).toLatin1());
        QObject::connect(&manager, &LocalizationManager::currentLanguageChanged, [](AppLanguage language) {
            RequestLanguage::set(appLanguage::rawValue(language).toLatin1());
        });
        return &manager;
    }();
    return *instance;
}

void LocalizationManager::setLanguage(AppLanguage language)
{
    if (language == m_currentLanguage)
        return;
    m_settings->setValue(storedLanguageKey(), appLanguage::rawValue(language));
    m_currentLanguage = language;
    m_bundle = bundle(language);
    // Both after the switch is complete: a listener of either reads the new texts.
    Q_EMIT currentLanguageChanged(language);
    Q_EMIT bundleChanged();
}

AppLanguage LocalizationManager::systemLanguage(const QStringList& preferredLanguages)
{
    const QString first = preferredLanguages.isEmpty() ? QStringLiteral("zh-Hans") : preferredLanguages.first();
    if (first.startsWith(u"vi"))
        return AppLanguage::vi;
    if (first.startsWith(u"en"))
        return AppLanguage::en;
    return AppLanguage::zhHans;
}

StringBundle LocalizationManager::bundle(AppLanguage language) const
{
    const QString folder = QDir(m_bundleRoot).filePath(appLanguage::rawValue(language) + QStringLiteral(".lproj"));
    // Not value_or: its argument would read a second table on every call.
    if (std::optional<StringBundle> found = StringBundle::open(folder))
        return *std::move(found);
    return mainBundle();
}

// The main bundle answers in the system's language, as far as a table for it exists.
StringBundle LocalizationManager::mainBundle() const
{
    const QString folder =
        QDir(m_bundleRoot).filePath(appLanguage::rawValue(systemLanguage(m_preferredLanguages)) + QStringLiteral(".lproj"));
    if (std::optional<StringBundle> system = StringBundle::open(folder))
        return StringBundle(m_bundleRoot, system->table());
    return StringBundle(m_bundleRoot, StringTable());
}
