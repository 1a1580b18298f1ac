#include "state/common/StringTable.h"

#include <QFile>
#include <QStringDecoder>

namespace {

class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    bool run(QHash<QString, QString>& entries)
    {
        // Every entry ends in ';': room for all of them at once, never a rehash.
        entries.reserve(m_text.count(u';'));
        while (skipBlanksAndComments()) {
            QString key;
            QString value;
            if (!readToken(key, u"key"))
                return false;
            skipBlanksAndComments();
            if (!expect(u'=', u"'=' after the key"))
                return false;
            skipBlanksAndComments();
            if (!readToken(value, u"value"))
                return false;
            skipBlanksAndComments();
            if (!expect(u';', u"';' after the value"))
                return false;
            entries.insert(key, value);
        }
        return m_error.isEmpty();
    }

    QString error() const { return m_error; }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek(qsizetype ahead = 0) const
    {
        return m_pos + ahead < m_text.size() ? m_text.at(m_pos + ahead) : QChar();
    }

    void advance()
    {
        if (m_text.at(m_pos) == u'\n')
            ++m_line;
        ++m_pos;
    }

    bool fail(const QString& message)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("line %1: %2").arg(m_line).arg(message);
        return false;
    }

    // Returns true while there is something left to read.
    bool skipBlanksAndComments()
    {
        while (!atEnd()) {
            if (peek().isSpace()) {
                advance();
            } else if (peek() == u'/' && peek(1) == u'/') {
                while (!atEnd() && peek() != u'\n')
                    advance();
            } else if (peek() == u'/' && peek(1) == u'*') {
                const int startLine = m_line;
                advance();
                advance();
                while (!atEnd() && !(peek() == u'*' && peek(1) == u'/'))
                    advance();
                if (atEnd()) {
                    m_line = startLine;
                    return fail(QStringLiteral("comment is not closed"));
                }
                advance();
                advance();
            } else {
                return true;
            }
        }
        return false;
    }

    bool expect(QChar c, QStringView what)
    {
        if (atEnd() || peek() != c)
            return fail(QStringLiteral("expected %1").arg(what));
        advance();
        return true;
    }

    static bool isBareChar(QChar c)
    {
        return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'-' || c == u'/' || c == u':'
            || c == u'$';
    }

    bool readToken(QString& out, QStringView what)
    {
        if (atEnd())
            return fail(QStringLiteral("expected a %1").arg(what));
        if (peek() == u'"')
            return readQuoted(out);
        if (!isBareChar(peek()))
            return fail(QStringLiteral("expected a %1").arg(what));
        while (!atEnd() && isBareChar(peek())) {
            out.append(peek());
            advance();
        }
        return true;
    }

    bool readHex4(char16_t& unit)
    {
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = atEnd() ? -1 : hexValue(peek());
            if (digit < 0)
                return fail(QStringLiteral("\\u needs four hexadecimal digits"));
            unit = char16_t(unit * 16 + digit);
            advance();
        }
        return true;
    }

    static int hexValue(QChar c)
    {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            return u - u'0';
        if (u >= u'a' && u <= u'f')
            return u - u'a' + 10;
        if (u >= u'A' && u <= u'F')
            return u - u'A' + 10;
        return -1;
    }

    static bool pairedSurrogates(const QString& text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            else if (text.at(i).isSurrogate())
                return false;
        }
        return true;
    }

    bool readQuoted(QString& out)
    {
        const int startLine = m_line;
        advance(); // opening quote
        while (!atEnd()) {
            const QChar c = peek();
            if (c == u'"') {
                advance();
                if (!pairedSurrogates(out))
                    return fail(QStringLiteral("an escaped surrogate lacks its other half"));
                return true;
            }
            if (c != u'\\') {
                // A run of plain characters is taken whole: appended one by one, they
                // were most of the cost of reading a table at start-up.
                qsizetype end = m_pos;
                while (end < m_text.size() && m_text.at(end) != u'"' && m_text.at(end) != u'\\')
                    ++end;
                const QStringView run = QStringView(m_text).sliced(m_pos, end - m_pos);
                m_line += int(run.count(u'\n'));
                out.append(run);
                m_pos = end;
                continue;
            }
            advance();
            if (atEnd())
                break;
            const QChar e = peek();
            advance();
            switch (e.unicode()) {
            case u'n': out.append(u'\n'); break;
            case u't': out.append(u'\t'); break;
            case u'r': out.append(u'\r'); break;
            case u'0': out.append(QChar(u'\0')); break;
            case u'"':
            case u'\\':
            case u'\'':
                out.append(e);
                break;
            case u'u':
            case u'U': {
                char16_t unit = 0;
                if (!readHex4(unit))
                    return false;
                out.append(QChar(unit));
                break;
            }
            default:
                return fail(QStringLiteral("unknown escape \\%1").arg(e));
            }
        }
        m_line = startLine;
        return fail(QStringLiteral("quoted text is not closed"));
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
    QString m_error;
};

} // namespace

std::optional<StringTable> StringTable::parse(const QString& text, QString* error)
{
    // A byte-order mark often starts a strings file; it is no part of the first key.
    const QString body = text.startsWith(QChar(0xfeff)) ? text.mid(1) : text;
    Parser parser(body);
    StringTable table;
    if (!parser.run(table.m_entries)) {
        if (error)
            *error = parser.error();
        return std::nullopt;
    }
    return table;
}

std::optional<StringTable> StringTable::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(file.readAll());
    if (decoder.hasError()) {
        if (error)
            *error = QStringLiteral("not UTF-8 text");
        return std::nullopt;
    }
    return parse(text, error);
}

std::optional<QString> StringTable::value(const QString& key) const
{
    const auto it = m_entries.constFind(key);
    if (it == m_entries.constEnd())
        return std::nullopt;
    return *it;
}
