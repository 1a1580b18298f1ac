#pragma once

#include "network/SecretStore.h"

// One file per account, readable by the owner only (0600), in a directory that only
// the owner can enter (0700). Used where no working system keyring exists.
class FileSecretStore final : public SecretStore {
public:
    // Files live in <directory>; the directory is made on the first write.
    explicit FileSecretStore(QString directory);
    // The default place: <application data>/secrets/<service>.
    static QString defaultDirectory(const QString& service);

    bool write(const QString& account, const QByteArray& data) override;
    Loaded read(const QString& account) override;
    bool remove(const QString& account) override;
    QString name() const override { return QStringLiteral("file"); }

    QString directory() const { return m_directory; }

private:
    QString pathFor(const QString& account) const;
    bool ensureDirectory() const;

    QString m_directory;
};
