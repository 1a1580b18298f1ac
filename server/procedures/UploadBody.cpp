#include "procedures/UploadBody.h"

#include "http/ServerError.h"

#include "models/Json.h"

#include <QJsonObject>

UploadBody UploadBody::read(const QByteArray& body)
{
    const ServerError malformed = ServerError::badRequest(Text::UploadInputShape);
    // A raw quote cannot stand inside a JSON string, so an unescaped "fileBuffer"
    // followed by a colon is a key. Base64 has no quotes or escapes.
    const auto skipSpace = [&body](qsizetype at) {
        while (at < body.size() && (body[at] == ' ' || body[at] == '\t' || body[at] == '\n' || body[at] == '\r'))
            ++at;
        return at;
    };
    UploadBody upload;
    qsizetype at = 0;
    for (;;) {
        at = body.indexOf("\"fileBuffer\"", at);
        if (at < 0)
            throw malformed;
        at = skipSpace(at + 12);
        if (at < body.size() && body[at] == ':')
            break;
    }
    at = skipSpace(at + 1);
    if (at >= body.size() || body[at] != '"')
        throw malformed;
    upload.bufferStart = at + 1;
    const qsizetype end = body.indexOf('"', upload.bufferStart);
    if (end < 0)
        throw malformed;
    upload.bufferLength = end - upload.bufferStart;
    if (const qsizetype escape = body.indexOf('\\', upload.bufferStart); escape >= 0 && escape < end)
        throw ServerError::badRequest(Text::NotBase64);

    // The rest, with the file's text taken out, must be the whole input: the key
    // found above is then the input's own "fileBuffer", not one nested deeper.
    const QByteArray rest = body.left(upload.bufferStart) + body.mid(end);
    const QJsonValue envelope = json::parse(rest);
    const QJsonObject input = envelope.toObject().value(QLatin1StringView("json")).toObject();
    if (input.value(QLatin1StringView("fileBuffer")) != QJsonValue(QString()))
        throw malformed;
    const json::Reader reader(QJsonValue(input), json::Path {});
    upload.fileKey = reader.required<QString>(QLatin1StringView("fileKey"));
    upload.contentType = reader.required<QString>(QLatin1StringView("contentType"));
    return upload;
}
