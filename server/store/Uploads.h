#pragma once

// Uploaded files: announced first (a key), then completed with the whole file, then
// served under "/uploads/<key>". Files live in the data directory, never under a
// name the client chose. A file arrives in a spool file there and becomes the key's
// by a rename. On Linux a spool file has no name until then, so nothing is left of it
// whatever ends the server; elsewhere, those a killed server left are removed when it
// starts again.

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class Database;
class QTemporaryFile;

struct StoredFile {
    QString path;
    QString contentType;
    QString fileName;
};

class Uploads {
public:
    static constexpr qint64 kMaxFileSize = 50LL << 20;

    Uploads(Database& db, QString directory);

    // Returns the file key.
    QString announce(qint64 userId, const QString& fileName, const QString& fileType, qint64 fileSize);
    // Where uploads are decoded: a new spool file there, open for writing (any thread).
    static std::unique_ptr<QTemporaryFile> spoolFile(const QString& directory);
    const QString& directory() const { return m_directory; }
    // Completes an upload with the file decoded into spooled (size bytes), which then
    // stays as the key's file: 404 unknown or someone else's key, 409 already
    // uploaded, 400 bad type or a size other than announced. Returns the address
    // ("/uploads/<key>").
    QString complete(qint64 userId, const QString& fileKey, const QString& contentType, QTemporaryFile& spooled, qint64 size);
    // The same from Base64 text (for seeding).
    QString complete(qint64 userId, const QString& fileKey, const QByteArray& base64, const QString& contentType);
    std::optional<StoredFile> find(const QString& fileKey);

private:
    QString storedPath(const QString& fileKey) const;

    Database& m_db;
    QString m_directory;
};
