#include "store/Uploads.h"

#include "http/MediaType.h"
#include "http/ServerError.h"
#include "store/Database.h"
#include "store/TextRules.h"
#include "Tokens.h"
#include "WireTime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QSqlQuery>

namespace {

constexpr int kMaxFileName = 255;

} // namespace

Uploads::Uploads(Database& db, QString directory)
    : m_db(db)
    , m_directory(std::move(directory))
{
    QDir().mkpath(m_directory);
    for (const QString& left : QDir(m_directory).entryList({ QStringLiteral("spool-*.part") }, QDir::Files))
        QFile::remove(QDir(m_directory).filePath(left));
}

QString Uploads::announce(qint64 userId, const QString& fileName, const QString& fileType, qint64 fileSize)
{
    if (fileName.trimmed().isEmpty() || fileName.size() > kMaxFileName)
        throw ServerError::badRequest(Text::FileNameLength, kMaxFileName);
    textrules::requireNoControls(fileName, Text::NounFileName);
    if (!mediatype::isValid(fileType))
        throw ServerError::badRequest(Text::FileTypeNotMime);
    if (fileSize < 0)
        throw ServerError::badRequest(Text::FileSizeNegative);
    if (fileSize > kMaxFileSize)
        throw ServerError::tooLarge(Text::FileTooLarge, kMaxFileSize);
    const QString key = tokens::newKey();
    m_db.insert(QStringLiteral("INSERT INTO uploads (file_key, user_id, file_name, content_type, declared_size, created_at)"
                               " VALUES (?, ?, ?, ?, ?, ?)"),
        { key, userId, fileName, fileType, fileSize, wiretime::now() });
    return key;
}

QString Uploads::storedPath(const QString& fileKey) const
{
    return QDir(m_directory).filePath(fileKey + QStringLiteral(".bin"));
}

std::unique_ptr<QTemporaryFile> Uploads::spoolFile(const QString& directory)
{
    auto file = std::make_unique<QTemporaryFile>(QDir(directory).filePath(QStringLiteral("spool-XXXXXX.part")));
    if (!file->open())
        throw DatabaseError("cannot write upload in " + directory.toStdString() + ": " + file->errorString().toStdString());
    return file;
}

QString Uploads::complete(qint64 userId, const QString& fileKey, const QString& contentType, QTemporaryFile& spooled, qint64 size)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT completed_at, declared_size FROM uploads WHERE file_key = ? AND user_id = ?"),
        { fileKey, userId });
    if (!query.next())
        throw ServerError::notFound(Text::UnknownFileKey);
    if (!query.value(0).isNull())
        throw ServerError::conflict(Text::FileAlreadyUploaded);
    if (!mediatype::isValid(contentType))
        throw ServerError::badRequest(Text::ContentTypeNotMime);
    const qint64 declared = query.value(1).toLongLong();
    if (size != declared)
        throw ServerError::badRequest(Text::FileSizeMismatch, size, declared);
    const QString path = storedPath(fileKey);
    QFile::remove(path);
    if (!spooled.rename(path))
        throw DatabaseError("cannot store upload " + path.toStdString() + ": " + spooled.errorString().toStdString());
    spooled.setAutoRemove(false);
    try {
        m_db.exec(QStringLiteral("UPDATE uploads SET size = ?, stored_name = ?, content_type = ?, completed_at = ? WHERE file_key = ?"),
            { size, fileKey + QStringLiteral(".bin"), contentType, wiretime::now(), fileKey });
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    return QStringLiteral("/uploads/") + fileKey;
}

QString Uploads::complete(qint64 userId, const QString& fileKey, const QByteArray& base64, const QString& contentType)
{
    const auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw ServerError::badRequest(Text::NotBase64);
    const std::unique_ptr<QTemporaryFile> spooled = spoolFile(m_directory);
    if (spooled->write(decoded.decoded) != decoded.decoded.size() || !spooled->flush())
        throw DatabaseError("cannot write upload " + spooled->fileName().toStdString() + ": " + spooled->errorString().toStdString());
    return complete(userId, fileKey, contentType, *spooled, decoded.decoded.size());
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
