#pragma once

// Uploaded files: announced first (a key), then completed with the whole file, then
// served under "/uploads/<key>". Files live in the data directory, never under a
// name the client chose.

#include <QByteArray>
#include <QString>

#include <optional>

class Database;

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
    // Decodes the Base64 body, checks it against the announcement and stores it;
    // returns the address ("/uploads/<key>").
    QString complete(qint64 userId, const QString& fileKey, const QString& base64, const QString& contentType);
    std::optional<StoredFile> find(const QString& fileKey);

    static bool isValidContentType(const QString& contentType);

private:
    Database& m_db;
    QString m_directory;
};
