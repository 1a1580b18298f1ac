#include "store/Uploads.h"

#include "http/MediaType.h"
#include "http/ServerError.h"
#include "store/Database.h"
#include "store/TextRules.h"
#include "Tokens.h"
#include "WireTime.h"

#include <QDir>
#include <QFile>
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

QString Uploads::begin(qint64 userId, const QString& fileKey, const QString& contentType)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT completed_at FROM uploads WHERE file_key = ? AND user_id = ?"),
        { fileKey, userId });
    if (!query.next())
        throw ServerError::notFound(Text::UnknownFileKey);
    if (!query.value(0).isNull() || m_underWay.contains(fileKey))
        throw ServerError::conflict(Text::FileAlreadyUploaded);
    if (!mediatype::isValid(contentType))
        throw ServerError::badRequest(Text::ContentTypeNotMime);
    m_underWay.insert(fileKey);
    return storedPath(fileKey);
}

qint64 Uploads::writeFile(const QString& path, const QByteArray& base64)
{
    // A few MiB at a time (a whole number of 4-character groups), so the decoded
    // file is never held whole next to its text.
    constexpr qsizetype kChunk = 4 << 20;
    if (base64.size() > (kMaxFileSize + 2) / 3 * 4)
        throw ServerError::tooLarge(Text::FileTooLarge, kMaxFileSize);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DatabaseError("cannot write upload " + path.toStdString() + ": " + file.errorString().toStdString());
    qint64 written = 0;
    for (qsizetype at = 0; at < base64.size(); at += kChunk) {
        const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromRawData(base64.constData() + at, qMin(kChunk, base64.size() - at)),
            QByteArray::AbortOnBase64DecodingErrors);
        // Padding may only end the text.
        if (!decoded || (at + kChunk < base64.size() && base64.at(at + kChunk - 1) == '='))
            throw ServerError::badRequest(Text::NotBase64);
        if (file.write(decoded.decoded) != decoded.decoded.size())
            throw DatabaseError("cannot write upload " + path.toStdString() + ": " + file.errorString().toStdString());
        written += decoded.decoded.size();
    }
    if (!file.commit())
        throw DatabaseError("cannot write upload " + path.toStdString() + ": " + file.errorString().toStdString());
    return written;
}

QString Uploads::finish(const QString& fileKey, qint64 size, const QString& contentType)
{
    m_underWay.remove(fileKey);
    const qint64 declared = m_db.scalar(QStringLiteral("SELECT declared_size FROM uploads WHERE file_key = ?"), { fileKey }).toLongLong();
    if (size != declared) {
        QFile::remove(storedPath(fileKey));
        throw ServerError::badRequest(Text::FileSizeMismatch, size, declared);
    }
    m_db.exec(QStringLiteral("UPDATE uploads SET size = ?, stored_name = ?, content_type = ?, completed_at = ? WHERE file_key = ?"),
        { size, fileKey + QStringLiteral(".bin"), contentType, wiretime::now(), fileKey });
    return QStringLiteral("/uploads/") + fileKey;
}

void Uploads::abandon(const QString& fileKey)
{
    m_underWay.remove(fileKey);
    QFile::remove(storedPath(fileKey));
}

QString Uploads::complete(qint64 userId, const QString& fileKey, const QByteArray& base64, const QString& contentType)
{
    const QString path = begin(userId, fileKey, contentType);
    try {
        return finish(fileKey, writeFile(path, base64), contentType);
    } catch (...) {
        abandon(fileKey);
        throw;
    }
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
