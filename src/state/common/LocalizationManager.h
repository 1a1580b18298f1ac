#pragma once

#include "state/common/AppLanguage.h"
#include "state/common/StringBundle.h"

#include <QObject>
#include <QStringList>

class QSettings;

// The language in force and the string bundle every screen reads its texts from.
// The user's explicit choice is kept in the "appLanguage" preference; until the
// user chooses, the language follows the system's preferred languages afresh at
// every start.
class LocalizationManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(AppLanguage currentLanguage READ currentLanguage NOTIFY currentLanguageChanged)

public:
    // settings: where "appLanguage" lives (not owned); bundleRoot: the folder that
    // holds the "<language>.lproj" folders; preferredLanguages: the system's list,
    // most preferred first (e.g. "en-US").
    LocalizationManager(QSettings* settings, QString bundleRoot, QStringList preferredLanguages,
                        QObject* parent = nullptr);

    // Made on first use with the application's preferences, the string tables
    // built into the program and the system locale's interface languages.
    static LocalizationManager& shared();

    static QString storedLanguageKey() { return QStringLiteral("appLanguage"); }
    static QString builtInBundleRoot() { return QStringLiteral(":/strings"); }

    AppLanguage currentLanguage() const { return m_currentLanguage; }
    const StringBundle& bundle() const { return m_bundle; }
    // The text of key in the current bundle; the key itself when it has none.
    QString localizedString(const QString& key) const { return m_bundle.localizedString(key); }

    void setLanguage(AppLanguage language);

    static AppLanguage systemLanguage(const QStringList& preferredLanguages);
    // The bundle of language's folder, or the main bundle when that folder is missing.
    StringBundle bundle(AppLanguage language) const;

Q_SIGNALS:
    void currentLanguageChanged(AppLanguage language);
    // Screens retranslate on this; it follows every language switch.
    void bundleChanged();

private:
    StringBundle mainBundle() const;

    QSettings* m_settings;
    QString m_bundleRoot;
    QStringList m_preferredLanguages;
    AppLanguage m_currentLanguage = AppLanguage::zhHans;
    StringBundle m_bundle;
};
