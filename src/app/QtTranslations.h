#pragma once

#include "state/common/AppLanguage.h"

#include <QObject>
#include <QTranslator>

// Qt's own texts (standard dialog buttons, the file dialog, context menus of text
// fields) in the interface language: loads Qt's translation catalogue for the
// language in force and swaps it on every language switch. Installing or removing
// a translator makes Qt relabel its own widgets.
class QtTranslations : public QObject {
    Q_OBJECT
public:
    explicit QtTranslations(QObject* parent = nullptr);
    ~QtTranslations() override;

    // The catalogue's locale name for a language ("zh_CN"); empty for English,
    // which is Qt's own language.
    static QString catalogueLocale(AppLanguage language);
    // Whether a catalogue is installed (none for English, or when the system
    // has no catalogue for the language).
    bool isInstalled() const { return m_installed; }

private:
    void load(AppLanguage language);

    QTranslator m_translator;
    bool m_installed = false;
};
