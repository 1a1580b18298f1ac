#pragma once

// Uploaded files: announced first (a key), then completed with the whole file, then
// served under "/uploads/<key>". Files live in the data directory, never under a
// name the client chose.

#include <QByteArray>
#include <QSet>
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
    // Completing an upload in three steps, so the file is decoded and written off the
    // event loop. begin() checks the announcement (404 unknown or someone else's key,
    // 409 already uploaded or under way, 400 bad type) and returns the stored file's
    // path; writeFile() decodes Base64 text into it (any thread); finish() checks the
    // size against the announcement and returns the address ("/uploads/<key>");
    // abandon() forgets a failed one.
    QString begin(qint64 userId, const QString& fileKey, const QString& contentType);
    static qint64 writeFile(const QString& path, const QByteArray& base64);
    QString finish(const QString& fileKey, qint64 size, const QString& contentType);
    void abandon(const QString& fileKey);
    // All three at once, on this thread (for seeding).
    QString complete(qint64 userId, const QString& fileKey, const QByteArray& base64, const QString& contentType);
    std::optional<StoredFile> find(const QString& fileKey);

private:
    QString storedPath(const QString& fileKey) const;

    Database& m_db;
    QString m_directory;
    // Keys whose file is being written now.
    QSet<QString> m_underWay;
};
