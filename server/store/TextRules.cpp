#include "store/TextRules.h"

#include "http/ServerError.h"

#include <QUrl>

namespace textrules {

QString required(const QString& raw, int maxLength, const QString& what, bool multiline)
{
    const QString text = raw.trimmed();
    if (text.isEmpty())
        throw ServerError::badRequest(QStringLiteral("The %1 must not be empty").arg(what));
    if (text.size() > maxLength)
        throw ServerError::badRequest(QStringLiteral("The %1 is too long (at most %2 characters)").arg(what).arg(maxLength));
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control)
            continue;
        if (multiline && (c == u'\n' || c == u'\t' || c == u'\r'))
            continue;
        throw ServerError::badRequest(QStringLiteral("The %1 holds control characters").arg(what));
    }
    return text;
}

std::optional<QString> optional(const std::optional<QString>& raw, int maxLength, const QString& what, bool multiline)
{
    if (!raw || raw->trimmed().isEmpty())
        return std::nullopt;
    return required(*raw, maxLength, what, multiline);
}

void checkAddress(const QString& address, const QString& what)
{
    if (address.size() > 2048)
        throw ServerError::badRequest(QStringLiteral("The %1 is too long").arg(what));
    if (address.startsWith(u'/') && !address.startsWith(QStringLiteral("//")))
        return;
    const QUrl parsed(address, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != u"http" && scheme != u"https") || parsed.host().isEmpty())
        throw ServerError::badRequest(QStringLiteral("The %1 must be an http(s) address or a path on this server").arg(what));
}

} // namespace textrules
