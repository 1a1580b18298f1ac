#pragma once

#include "network/SecretStore.h"

#include <chrono>

// The desktop's secret service (through QtKeychain). Each job is waited for in a
// local event loop, at most jobTimeout, so a keyring that never answers costs
// seconds, not a frozen program.
class KeyringSecretStore final : public SecretStore {
public:
    static constexpr std::chrono::milliseconds jobTimeout { 5000 };

    explicit KeyringSecretStore(QString service);

    // A locked keyring still answers reads with "not found" and deletes with
    // success, so only a write, a read-back and a delete of a probe entry prove
    // that it can keep our values.
    bool probe();

    bool write(const QString& account, const QByteArray& data) override;
    Loaded read(const QString& account) override;
    bool remove(const QString& account) override;
    QString name() const override { return QStringLiteral("keyring"); }

private:
    QString m_service;
};
