#pragma once

#include <QByteArray>
#include <QString>

// Where the keychain keeps its byte values, one per account name. The keychain
// service chooses one store for the whole process.
class SecretStore {
public:
    enum class Status { Found, NotFound, Failed };

    struct Loaded {
        Status status = Status::NotFound;
        QByteArray data;
    };

    virtual ~SecretStore() = default;

    // Replaces the value in place: a failed write leaves the previous value readable.
    virtual bool write(const QString& account, const QByteArray& data) = 0;
    virtual Loaded read(const QString& account) = 0;
    // True when the account holds nothing afterwards (removed now or never there).
    virtual bool remove(const QString& account) = 0;
    // For the log line that says which store is in use.
    virtual QString name() const = 0;
};
