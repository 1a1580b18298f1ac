#include "state/contacts/PictureAddress.h"

QUrl PictureAddress::resolve(const std::optional<QString>& address, const QString& apiBaseUrl)
{
    if (!address || address->isEmpty())
        return {};
    QString text = *address;
    if (text.startsWith(QLatin1Char('/')))
        text.prepend(apiBaseUrl);
    const QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1StringView("http") && scheme != QLatin1StringView("https")))
        return {};
    return url;
}
