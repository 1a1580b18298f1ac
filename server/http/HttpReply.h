#pragma once

// One HTTP answer, built by the route handlers and written by HttpFront.

#include "texts/Language.h"

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class PendingReply;
class ServerError;

// How an answer goes on its connection, from the request it answers.
struct Framing {
    // To a HEAD request: the head alone, its length that of the body left out.
    bool headOnly = false;
    // The connection's last answer: it says "Connection: close".
    bool closing = false;
    // An HTTP/1.0 client that asked to keep the connection is told it is kept.
    bool keptAlive = false;
};

struct HttpReply {
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("application/json");
    QByteArray body;
    // Set for a stored file: the body is then this file, read from the disk as the
    // client takes it (see AnswerQueue), and `body` is unused.
    QString bodyFile;
    QList<QPair<QByteArray, QByteArray>> headers;
    // Set when the answer comes later; everything above is then unused.
    std::shared_ptr<PendingReply> pending;

    static HttpReply json(const QJsonValue& value, int status = 200);
    // Error texts are written in the language the client asked for.
    // REST form: {"error": text}.
    static HttpReply restError(const ServerError& error, Language language);
    // A procedure's result: {"result":{"data":{"json": value}}}.
    static HttpReply procedureResult(const QJsonValue& value);
    // The same, for a value the procedure wrote as JSON text itself.
    static HttpReply procedureResultText(const QByteArray& jsonText);
    // Procedure form: {"error":{"json":{"message", "code", "data":{"code","httpStatus","path"}}}}.
    static HttpReply procedureError(const ServerError& error, const QString& path, Language language);
    static HttpReply internalError(bool procedure, Language language);
    // A file users uploaded, under the server's own origin: never run as a page (no
    // sniffing, a sandbox without scripts) and saved rather than shown unless it is a
    // picture and shown inline was asked for.
    enum class Showing { InlineImages, Download };
    // A stored type that is not a well-formed media type is served as application/octet-stream.
    static HttpReply storedFile(const QString& contentType, const QString& path, const QString& fileName, Showing showing);
    static HttpReply later(std::shared_ptr<PendingReply> pending);
    // Runs work and turns what it throws into an error answer: of the procedure form
    // (for the procedure named path) or the REST form. Bad input never becomes a 500.
    static HttpReply guarded(const std::function<HttpReply()>& work, bool procedure, const QString& path, Language language);

    // The answer as it goes on the wire: status line, headers, body as framing says.
    // Every answer the server writes passes here or through head(), and there each
    // header is checked: one holding CR, LF or NUL would split the head, so such an
    // answer goes out as a 500 instead.
    QByteArray wire(Framing framing = {}) const;
    // The status line and headers for a body of bodyLength bytes (a file's); nothing
    // when a header would split the head.
    std::optional<QByteArray> head(qint64 bodyLength, Framing framing = {}) const;
};
