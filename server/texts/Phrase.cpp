#include "texts/Phrase.h"

#include "texts/TextTables.h"

namespace {

QStringView words(Text text, Language language)
{
    switch (language) {
    case Language::Chinese:
        return chineseText(text);
    case Language::Vietnamese:
        return vietnameseText(text);
    case Language::English:
        break;
    }
    return englishText(text);
}

} // namespace

QString Phrase::in(Language language) const
{
    // One pass over the words: an argument is never searched for places itself, so
    // a user's "%2" stays as it is.
    const QStringView pattern = words(m_text, language);
    QString result;
    result.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'%' && i + 1 < pattern.size() && pattern[i + 1] >= u'1' && pattern[i + 1] <= u'9') {
            const qsizetype index = pattern[i + 1].unicode() - u'1';
            if (index < m_arguments.size()) {
                const Argument& argument = m_arguments[index];
                result += std::holds_alternative<Text>(argument) ? words(std::get<Text>(argument), language).toString()
                                                                 : std::get<QString>(argument);
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}
