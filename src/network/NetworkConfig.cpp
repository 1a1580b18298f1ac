#include "network/NetworkConfig.h"

#include <QtGlobal>

namespace {

QString fromEnvironment(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name).trimmed();
    return value.isEmpty() ? fallback : value;
}

} // namespace

QString NetworkConfig::apiBaseUrl()
{
    QString url = fromEnvironment("MORVANE_API_URL", QStringLiteral("http://127.0.0.1:8787"));
    while (url.endsWith(u'/'))
        url.chop(1);
    return url;
}

QString NetworkConfig::webSocketUrl()
{
    return fromEnvironment("MORVANE_WS_URL", QStringLiteral("ws://127.0.0.1:8787/ws"));
}
