#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

// One uploaded file of the signed-in user.
struct FileItem {
    qint64 id = 0;
    std::optional<QString> fileName;
    std::optional<QString> fileUrl;
    std::optional<qint64> fileSize;
    std::optional<QString> mimeType;
    std::optional<qint64> conversationId;
    std::optional<qint64> uploaderId;
    std::optional<QString> createdAt;

    static FileItem read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// The answer to a download request; only signedUrl is ever opened.
struct FileDownload {
    qint64 id = 0;
    std::optional<QString> fileName;
    std::optional<QString> fileUrl;
    std::optional<qint64> fileSize;
    std::optional<QString> mimeType;
    QString signedUrl;

    static FileDownload read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// The user's files and their download links.
class FileService final {
public:
    // Hands an address to the desktop's default handler. The application installs
    // one at start-up; the core library itself must not reach the desktop.
    using UrlOpener = std::function<void(const QUrl&)>;

    static FileService& shared();
    explicit FileService(APIClient& api)
        : api(api)
    {
    }

    QCoro::Task<QList<FileItem>> getMyFiles(qint64 page, qint64 limit);
    QCoro::Task<FileDownload> getDownloadUrl(qint64 fileId);

    static void setUrlOpener(UrlOpener opener);
    // Opens the download's signed address. The address comes from the server, so
    // only http and https are handed on: a file: or custom-scheme address could
    // launch a local program. Throws APIError::invalidURL otherwise.
    static void openDownload(const FileDownload& download);

    APIClient& api;
};
