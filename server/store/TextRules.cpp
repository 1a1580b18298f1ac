#include "store/TextRules.h"

#include "http/ServerError.h"

#include <QUrl>

namespace textrules {

QString required(const QString& raw, int maxLength, Text what, bool multiline)
{
    const QString text = raw.trimmed();
    if (text.isEmpty())
        throw ServerError::badRequest(Text::FieldEmpty, what);
    if (text.size() > maxLength)
        throw ServerError::badRequest(Text::FieldTooLong, what, maxLength);
    requireNoControls(text, what, multiline);
    return text;
}

void requireNoControls(QStringView text, Text what, bool multiline)
{
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control)
            continue;
        if (multiline && (c == u'\n' || c == u'\t' || c == u'\r'))
            continue;
        throw ServerError::badRequest(multiline ? Text::TextControlCharacters : Text::FieldControlCharacters, what);
    }
}

std::optional<QString> optional(const std::optional<QString>& raw, int maxLength, Text what, bool multiline)
{
    if (!raw || raw->trimmed().isEmpty())
        return std::nullopt;
    return required(*raw, maxLength, what, multiline);
}

void checkAddress(const QString& address, Text what)
{
    if (address.size() > 2048)
        throw ServerError::badRequest(Text::FieldAddressTooLong, what);
    if (address.startsWith(u'/') && !address.startsWith(QStringLiteral("//")))
        return;
    const QUrl parsed(address, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != u"http" && scheme != u"https") || parsed.host().isEmpty())
        throw ServerError::badRequest(Text::FieldAddressKind, what);
}

} // namespace textrules
