#include "http/MediaType.h"

namespace mediatype {

namespace {

bool isTokenCharacter(QChar c)
{
    if (c.unicode() >= 0x80)
        return false;
    const char ascii = char(c.unicode());
    return (ascii >= 'a' && ascii <= 'z') || (ascii >= 'A' && ascii <= 'Z') || (ascii >= '0' && ascii <= '9')
        || QByteArrayView("!#$%&'*+-.^_`|~").contains(ascii);
}

// Reads a run of token characters from at; false when there is none.
bool token(QStringView text, qsizetype& at)
{
    const qsizetype start = at;
    while (at < text.size() && isTokenCharacter(text[at]))
        ++at;
    return at > start;
}

void spaces(QStringView text, qsizetype& at)
{
    while (at < text.size() && text[at] == u' ')
        ++at;
}

// A quoted string whose characters are printable ASCII; a backslash escapes the next one.
bool quoted(QStringView text, qsizetype& at)
{
    if (at >= text.size() || text[at] != u'"')
        return false;
    for (++at; at < text.size(); ++at) {
        const char16_t c = text[at].unicode();
        if (c == u'"') {
            ++at;
            return true;
        }
        if (c == u'\\' && ++at >= text.size())
            return false;
        if (text[at].unicode() < 0x20 || text[at].unicode() > 0x7e)
            return false;
    }
    return false;
}

} // namespace

bool isValid(QStringView text)
{
    if (text.size() > kMaxLength)
        return false;
    qsizetype at = 0;
    if (!token(text, at) || at >= text.size() || text[at] != u'/')
        return false;
    ++at;
    if (!token(text, at))
        return false;
    for (;;) {
        spaces(text, at);
        if (at == text.size())
            return true;
        if (text[at] != u';')
            return false;
        ++at;
        spaces(text, at);
        if (!token(text, at) || at >= text.size() || text[at] != u'=')
            return false;
        ++at;
        if (!token(text, at) && !quoted(text, at))
            return false;
    }
}

} // namespace mediatype
