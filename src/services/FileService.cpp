#include "services/FileService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

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

namespace {

FileService::UrlOpener& urlOpener()
{
    static FileService::UrlOpener opener;
    return opener;
}

} // namespace

FileService& FileService::shared()
{
    static FileService instance(APIClient::shared());
    return instance;
}

QCoro::Task<QList<FileItem>> FileService::getMyFiles(qint64 page, qint64 limit)
{
    return procedure::query<QList<FileItem>>(api, u"files.getMyFiles"_s, procedure::Page { page, limit });
}

QCoro::Task<FileDownload> FileService::getDownloadUrl(qint64 fileId)
{
    return procedure::mutation<FileDownload>(api, u"files.getDownloadUrl"_s, procedure::Id { "fileId"_L1, fileId });
}

void FileService::setUrlOpener(UrlOpener opener) { urlOpener() = std::move(opener); }

void FileService::openDownload(const FileDownload& download)
{
    const QUrl url(download.signedUrl, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != "http"_L1 && scheme != "https"_L1)) {
        qWarning().noquote() << "[FileManagement] Refused to open a download address that is not http or https";
        throw APIError::invalidURL();
    }
    if (!urlOpener()) {
        qWarning().noquote() << "[FileManagement] No handler is installed to open download addresses";
        return;
    }
    urlOpener()(url);
}
