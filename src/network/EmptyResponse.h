#pragma once

#include "models/Json.h"

// The result of calls whose reply is not read: any JSON value, null included.
struct EmptyResponse { };

template <>
struct json::Codec<EmptyResponse> {
    static EmptyResponse read(const QJsonValue&, const Path&) { return {}; }
    static QJsonValue write(const EmptyResponse&) { return QJsonObject {}; }
};
