#pragma once

// The user's uploaded files as a library: listed page by page, and fetched through
// download links signed with the server's own key that stop working after a while.

#include "http/HttpFront.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

class Database;
class Uploads;

class FileLibrary {
public:
    static constexpr qint64 kLinkSeconds = 600;
    static constexpr int kMaxPageSize = 100;

    FileLibrary(Database& db, Uploads& uploads);

    // Newest first; page counts from 1.
    QJsonArray myFiles(qint64 userId, qint64 page, qint64 limit);
    // origin is "http://host:port" as the client reached us.
    QJsonObject downloadLink(qint64 userId, qint64 fileId, const QString& origin);
    // GET "/files/<key>?expires=..&signature=..": the file, or 403 for a bad or expired link.
    HttpReply serve(const HttpRequest& request, const QString& fileKey);

    // "http://" + the request's Host header; throws 400 when the header is unusable.
    static QString originOf(const QString& hostHeader);

private:
    QByteArray signingKey();
    QString signature(const QString& fileKey, qint64 expires);

    Database& m_db;
    Uploads& m_uploads;
};
