#include "network/ErrorResponse.h"

#include "models/Json.h"

ErrorResponse ErrorResponse::fromBody(const QByteArray& body)
{
    QJsonValue root;
    try {
        root = json::parse(body);
    } catch (const json::DecodeError&) {
        return {};
    }
    const QJsonValue error = root.toObject().value(QLatin1StringView("error"));
    if (error.isString())
        return { error.toString(), root.toObject().value(QLatin1StringView("mfaRequired")).toBool() };
    const QJsonValue message = error.toObject().value(QLatin1StringView("json")).toObject().value(QLatin1StringView("message"));
    if (message.isString())
        return { message.toString() };
    return {};
}
