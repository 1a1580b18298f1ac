#include "network/FileSecretStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <utility>

namespace {

constexpr QFileDevice::Permissions ownerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions ownerOnlyDirectory = ownerOnlyFile | QFileDevice::ExeOwner;

// Account names become file names: nothing that could climb out of the directory.
bool isSafeAccount(const QString& account)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return pattern.match(account).hasMatch();
}

} // namespace

FileSecretStore::FileSecretStore(QString directory)
    : m_directory(std::move(directory))
{
}

QString FileSecretStore::defaultDirectory(const QString& service)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/secrets/") + service;
}

QString FileSecretStore::pathFor(const QString& account) const
{
    return m_directory + u'/' + account;
}

bool FileSecretStore::ensureDirectory() const
{
    QDir dir(m_directory);
    if (!dir.exists()) {
        const QFileInfo info(m_directory);
        if (!QDir().mkpath(info.absolutePath()))
            return false;
        if (!QDir().mkdir(m_directory, ownerOnlyDirectory) && !dir.exists())
            return false;
    }
    // A directory left by an older run may be looser than we want it.
    return QFile::setPermissions(m_directory, ownerOnlyDirectory);
}

bool FileSecretStore::write(const QString& account, const QByteArray& data)
{
    if (!isSafeAccount(account) || !ensureDirectory())
        return false;
    // The new value goes to a temporary file that replaces the old one only when
    // complete, so a failed write never loses the value that was there.
    QSaveFile file(pathFor(account));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!file.setPermissions(ownerOnlyFile)) {
        file.cancelWriting();
        return false;
    }
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

SecretStore::Loaded FileSecretStore::read(const QString& account)
{
    if (!isSafeAccount(account))
        return { Status::Failed, {} };
    QFile file(pathFor(account));
    if (!file.exists())
        return { Status::NotFound, {} };
    if (!file.open(QIODevice::ReadOnly))
        return { Status::Failed, {} };
    return { Status::Found, file.readAll() };
}

bool FileSecretStore::remove(const QString& account)
{
    if (!isSafeAccount(account))
        return false;
    QFile file(pathFor(account));
    return !file.exists() || file.remove();
}
