#include "store/Uploads.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "Tokens.h"
#include "WireTime.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlQuery>

namespace {

constexpr int kMaxFileName = 255;

} // namespace

Uploads::Uploads(Database& db, QString directory)
    : m_db(db)
    , m_directory(std::move(directory))
{
    QDir().mkpath(m_directory);
}

bool Uploads::isValidContentType(const QString& contentType)
{
    // type/subtype with optional parameters; nothing that could end a header line.
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9!#$&^_.+-]{0,63}/[A-Za-z0-9][A-Za-z0-9!#$&^_.+-]{0,127}"
                                                           "(\\s*;\\s*[A-Za-z0-9!#$&^_.+-]+=[A-Za-z0-9!#$&^_.+\"-]+)*$"));
    return contentType.size() <= 255 && pattern.match(contentType).hasMatch();
}

QString Uploads::announce(qint64 userId, const QString& fileName, const QString& fileType, qint64 fileSize)
{
    if (fileName.trimmed().isEmpty() || fileName.size() > kMaxFileName)
        throw ServerError::badRequest(QStringLiteral("fileName must be 1 to %1 characters long").arg(kMaxFileName));
    if (!isValidContentType(fileType))
        throw ServerError::badRequest(QStringLiteral("fileType must be a MIME type such as image/png"));
    if (fileSize < 0)
        throw ServerError::badRequest(QStringLiteral("fileSize must not be negative"));
    if (fileSize > kMaxFileSize)
        throw ServerError::tooLarge(QStringLiteral("Files may be at most %1 bytes").arg(kMaxFileSize));
    const QString key = tokens::newKey();
    m_db.insert(QStringLiteral("INSERT INTO uploads (file_key, user_id, file_name, content_type, declared_size, created_at)"
                               " VALUES (?, ?, ?, ?, ?, ?)"),
        { key, userId, fileName, fileType, fileSize, wiretime::now() });
    return key;
}

QString Uploads::complete(qint64 userId, const QString& fileKey, const QString& base64, const QString& contentType)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT declared_size, completed_at FROM uploads WHERE file_key = ? AND user_id = ?"),
        { fileKey, userId });
    if (!query.next())
        throw ServerError::notFound(QStringLiteral("Unknown file key"));
    if (!query.value(1).isNull())
        throw ServerError::conflict(QStringLiteral("This file was already uploaded"));
    const qint64 declared = query.value(0).toLongLong();
    if (!isValidContentType(contentType))
        throw ServerError::badRequest(QStringLiteral("contentType must be a MIME type such as image/png"));

    const auto decoded = QByteArray::fromBase64Encoding(base64.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw ServerError::badRequest(QStringLiteral("fileBuffer is not valid Base64"));
    const QByteArray bytes = decoded.decoded;
    if (bytes.size() > kMaxFileSize)
        throw ServerError::tooLarge(QStringLiteral("Files may be at most %1 bytes").arg(kMaxFileSize));
    if (bytes.size() != declared)
        throw ServerError::badRequest(QStringLiteral("The file has %1 bytes but %2 were announced").arg(bytes.size()).arg(declared));

    const QString storedName = fileKey + QStringLiteral(".bin");
    QSaveFile file(QDir(m_directory).filePath(storedName));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw DatabaseError("cannot write upload " + storedName.toStdString() + ": " + file.errorString().toStdString());
    m_db.exec(QStringLiteral("UPDATE uploads SET size = ?, stored_name = ?, content_type = ?, completed_at = ? WHERE file_key = ?"),
        { bytes.size(), storedName, contentType, wiretime::now(), fileKey });
    return QStringLiteral("/uploads/") + fileKey;
}

std::optional<StoredFile> Uploads::find(const QString& fileKey)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT stored_name, content_type, file_name FROM uploads"
                                               " WHERE file_key = ? AND completed_at IS NOT NULL"),
        { fileKey });
    if (!query.next())
        return std::nullopt;
    return StoredFile { QDir(m_directory).filePath(query.value(0).toString()), query.value(1).toString(), query.value(2).toString() };
}
