#include "DataDirectory.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <sys/stat.h>

namespace DataDirectory {

bool makePrivate(const QString& path)
{
    // Files made from here on (the database's WAL files, uploads, a log the server
    // opens) are born private.
    ::umask(077);
    QDir dir(path);
    if (!dir.mkpath(QStringLiteral(".")))
        return false;
    constexpr auto privateDir = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    constexpr auto privateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile::setPermissions(dir.absolutePath(), privateDir);
    QDirIterator entries(dir.absolutePath(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QFileInfo entry = entries.nextFileInfo();
        if (entry.isSymLink())
            continue;
        QFile::setPermissions(entry.filePath(), entry.isDir() ? privateDir : privateFile);
    }
    return true;
}

} // namespace DataDirectory
