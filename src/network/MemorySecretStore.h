#pragma once

#include "network/SecretStore.h"

#include <QHash>

// Keeps values in this process only; unit tests use it to look at what was stored.
class MemorySecretStore final : public SecretStore {
public:
    bool write(const QString& account, const QByteArray& data) override;
    Loaded read(const QString& account) override;
    bool remove(const QString& account) override;
    QString name() const override { return QStringLiteral("memory"); }

    // Makes the next writes fail, as a full disk or a locked keyring would.
    void setFailWrites(bool fail) { m_failWrites = fail; }
    // Makes reads of this account fail, as a keyring that stopped answering would.
    void setUnreadable(const QString& account) { m_unreadable = account; }
    bool contains(const QString& account) const { return m_values.contains(account); }

private:
    QHash<QString, QByteArray> m_values;
    bool m_failWrites = false;
    QString m_unreadable;
};
