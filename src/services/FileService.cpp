#include "services/FileService.h"

#include "models/Json.h"

using namespace Qt::Literals::StringLiterals;

FileItem FileItem::read(const json::Reader& r)
{
    return FileItem {
        r.required<qint64>("id"_L1),
        r.optional<QString>("fileName"_L1),
        r.optional<QString>("fileUrl"_L1),
        r.optional<qint64>("fileSize"_L1),
        r.optional<QString>("mimeType"_L1),
        r.optional<qint64>("conversationId"_L1),
        r.optional<qint64>("uploaderId"_L1),
        r.optional<QString>("createdAt"_L1),
    };
}

void FileItem::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("fileName"_L1, fileName);
    w.optional("fileUrl"_L1, fileUrl);
    w.optional("fileSize"_L1, fileSize);
    w.optional("mimeType"_L1, mimeType);
    w.optional("conversationId"_L1, conversationId);
    w.optional("uploaderId"_L1, uploaderId);
    w.optional("createdAt"_L1, createdAt);
}

FileDownload FileDownload::read(const json::Reader& r)
{
    return FileDownload {
        r.required<qint64>("id"_L1),
        r.optional<QString>("fileName"_L1),
        r.optional<QString>("fileUrl"_L1),
        r.optional<qint64>("fileSize"_L1),
        r.optional<QString>("mimeType"_L1),
        r.required<QString>("signedUrl"_L1),
    };
}

void FileDownload::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("fileName"_L1, fileName);
    w.optional("fileUrl"_L1, fileUrl);
    w.optional("fileSize"_L1, fileSize);
    w.optional("mimeType"_L1, mimeType);
    w.required("signedUrl"_L1, signedUrl);
}
