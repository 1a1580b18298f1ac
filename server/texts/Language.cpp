#include "texts/Language.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace {

std::optional<Language> languageOfTag(const QByteArray& tag)
{
    const QByteArray primary = tag.split('-').first().trimmed().toLower();
    if (primary == "zh")
        return Language::Chinese;
    if (primary == "vi")
        return Language::Vietnamese;
    if (primary == "en")
        return Language::English;
    return std::nullopt;
}

} // namespace

Language languageFromHeader(QByteArrayView acceptLanguage)
{
    std::optional<Language> best;
    double bestWeight = 0;
    for (const QByteArray& entry : acceptLanguage.toByteArray().split(',')) {
        const QList<QByteArray> parts = entry.split(';');
        double weight = 1;
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QByteArray parameter = parts[i].trimmed();
            if (parameter.startsWith("q=")) {
                bool ok = false;
                weight = parameter.mid(2).toDouble(&ok);
                if (!ok)
                    weight = 0;
            }
        }
        const std::optional<Language> language = languageOfTag(parts.first().trimmed());
        // The first of equally preferred languages wins.
        if (language && weight > bestWeight) {
            best = language;
            bestWeight = weight;
        }
    }
    return best.value_or(Language::English);
}
