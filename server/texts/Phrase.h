#pragma once

// A text for people before it is written out: which text, and what fills its places.
// It is put into words only once the reader's language is known, so a refusal made
// deep in a store reads in the language of the client it finally reaches.

#include "texts/Language.h"
#include "texts/Text.h"

#include <QList>
#include <QString>

#include <concepts>
#include <variant>

class Phrase {
public:
    // A value written as it is (a number, a user's own text, a name of the protocol),
    // or another text written in the same language (a field's name).
    using Argument = std::variant<QString, Text>;

    Phrase(Text text, QList<Argument> arguments = {})
        : m_text(text)
        , m_arguments(std::move(arguments))
    {
    }

    template <typename... Values>
    static Phrase of(Text text, const Values&... values)
    {
        return Phrase(text, QList<Argument> { argument(values)... });
    }

    Text text() const { return m_text; }
    QString in(Language language) const;

private:
    static Argument argument(Text text) { return text; }
    static Argument argument(const QString& value) { return value; }
    static Argument argument(QLatin1StringView value) { return QString(value); }
    static Argument argument(std::integral auto value) { return QString::number(value); }

    Text m_text;
    QList<Argument> m_arguments;
};
