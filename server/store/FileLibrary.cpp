#include "store/FileLibrary.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/Uploads.h"
#include "WireTime.h"

#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QRegularExpression>
#include <QSqlQuery>

namespace {

const QString kFileColumns = QStringLiteral("SELECT id, file_name, file_key, size, content_type, user_id, completed_at,"
                                            " (SELECT conversation_id FROM messages WHERE sender_id = uploads.user_id"
                                            "  AND file_url = '/uploads/' || uploads.file_key ORDER BY id LIMIT 1)"
                                            " FROM uploads");

QJsonObject fileJson(const QSqlQuery& query)
{
    QJsonObject file;
    file.insert(QLatin1StringView("id"), query.value(0).toLongLong());
    file.insert(QLatin1StringView("fileName"), query.value(1).toString());
    file.insert(QLatin1StringView("fileUrl"), QStringLiteral("/uploads/") + query.value(2).toString());
    file.insert(QLatin1StringView("fileSize"), query.value(3).toLongLong());
    file.insert(QLatin1StringView("mimeType"), query.value(4).toString());
    file.insert(QLatin1StringView("uploaderId"), query.value(5).toLongLong());
    file.insert(QLatin1StringView("createdAt"), query.value(6).toString());
    rowjson::putInteger(file, QLatin1StringView("conversationId"), query.value(7));
    return file;
}

bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= char(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

FileLibrary::FileLibrary(Database& db, Uploads& uploads)
    : m_db(db)
    , m_uploads(uploads)
{
}

QString FileLibrary::originOf(const QString& hostHeader)
{
    static const QRegularExpression pattern(QStringLiteral("^([A-Za-z0-9.-]{1,253}|\\[[0-9A-Fa-f:.]{2,45}\\])(:[0-9]{1,5})?$"));
    if (!pattern.match(hostHeader).hasMatch())
        throw ServerError::badRequest(Text::HostHeaderNeeded);
    return QStringLiteral("http://") + hostHeader;
}

QJsonArray FileLibrary::myFiles(qint64 userId, qint64 page, qint64 limit)
{
    if (page < 1 || page > 100000)
        throw ServerError::badRequest(Text::PageFromOne);
    if (limit < 1 || limit > kMaxPageSize)
        throw ServerError::badRequest(Text::LimitRange, kMaxPageSize);
    QSqlQuery query = m_db.exec(kFileColumns + QStringLiteral(" WHERE user_id = ? AND completed_at IS NOT NULL"
                                                              " ORDER BY id DESC LIMIT ? OFFSET ?"),
        { userId, limit, (page - 1) * limit });
    QJsonArray files;
    while (query.next())
        files.append(fileJson(query));
    return files;
}

QJsonObject FileLibrary::downloadLink(qint64 userId, qint64 fileId, const QString& origin)
{
    QSqlQuery query = m_db.exec(kFileColumns + QStringLiteral(" WHERE id = ? AND user_id = ? AND completed_at IS NOT NULL"),
        { fileId, userId });
    if (!query.next())
        throw ServerError::notFound(Text::FileNotFound);
    QJsonObject file = fileJson(query);
    const QString key = query.value(2).toString();
    const qint64 expires = wiretime::nowSeconds() + kLinkSeconds;
    file.insert(QLatin1StringView("signedUrl"),
        QStringLiteral("%1/files/%2?expires=%3&signature=%4").arg(origin, key).arg(expires).arg(signature(key, expires)));
    file.remove(QLatin1StringView("uploaderId"));
    file.remove(QLatin1StringView("conversationId"));
    file.remove(QLatin1StringView("createdAt"));
    return file;
}

QByteArray FileLibrary::signingKey()
{
    // Made with the schema, once per data directory, so links stay valid across
    // restarts and signing one is only a read.
    return QByteArray::fromHex(m_db.scalar(QStringLiteral("SELECT value FROM meta WHERE key = 'download_signing_key'")).toString().toLatin1());
}

QString FileLibrary::signature(const QString& fileKey, qint64 expires)
{
    const QByteArray message = fileKey.toUtf8() + '\n' + QByteArray::number(expires);
    return QString::fromLatin1(QMessageAuthenticationCode::hash(message, signingKey(), QCryptographicHash::Sha256).toHex());
}

HttpReply FileLibrary::serve(const HttpRequest& request, const QString& fileKey)
{
    if (request.method != u"GET")
        throw ServerError(ServerError::Kind::MethodNotAllowed, Phrase::of(Text::UseGetForFiles));
    const ServerError refused = ServerError::forbidden(Text::DownloadLinkInvalid);
    bool numeric = false;
    const qint64 expires = request.query.queryItemValue(QStringLiteral("expires")).toLongLong(&numeric);
    const QByteArray given = request.query.queryItemValue(QStringLiteral("signature")).toLatin1();
    if (!numeric || expires < wiretime::nowSeconds() || !sameBytes(given, signature(fileKey, expires).toLatin1()))
        throw refused;
    const auto stored = m_uploads.find(fileKey);
    if (!stored)
        throw ServerError::notFound(Text::NoSuchFile);
    if (!QFileInfo(stored->path).isReadable())
        throw ServerError::notFound(Text::NoSuchFile);
    HttpReply reply = HttpReply::storedFile(stored->contentType, stored->path, stored->fileName, HttpReply::Showing::Download);
    reply.headers.append({ QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store") });
    return reply;
}
