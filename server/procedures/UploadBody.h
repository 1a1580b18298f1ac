#pragma once

// The body of "upload.complete" is the file itself in Base64 inside {"json":{...}}:
// up to 67 MB. Parsing it as JSON would hold the text three times over (parsed,
// as UTF-16, back to bytes), so the file's text is located in the raw bytes and
// decoded from there; everything else in the body goes through the strict reader.

#include <QByteArray>
#include <QString>

struct UploadBody {
    QString fileKey;
    QString contentType;
    // Where the Base64 text of "fileBuffer" lies in the raw body.
    qsizetype bufferStart = 0;
    qsizetype bufferLength = 0;

    // Throws ServerError 400 for a body that is not {"json":{"fileKey", "fileBuffer", "contentType"}}.
    static UploadBody read(const QByteArray& body);
};
