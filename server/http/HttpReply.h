#pragma once

// One HTTP answer, built by the route handlers and written by HttpFront.

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QPair>

class ServerError;

struct HttpReply {
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("application/json");
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    static HttpReply json(const QJsonValue& value, int status = 200);
    // REST form: {"error": text}.
    static HttpReply restError(const ServerError& error);
    // Procedure form: {"error":{"json":{"message", "code", "data":{"code","httpStatus","path"}}}}.
    static HttpReply procedureError(const ServerError& error, const QString& path);
    static HttpReply internalError(bool procedure);
};
