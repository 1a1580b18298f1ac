#pragma once

#include "models/User.h"
#include "network/SecretStore.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>

// The program's one store of secrets and of the cached profile: byte values by
// account name. Each item is read from the store once and then kept in memory,
// written through on save and delete, so a token saved anywhere is seen by the
// very next read and no request, frame or keystroke waits on the keyring (whose
// every job spins an event loop, running unrelated coroutines re-entrantly).
// A read that fails is not kept: it stays a failure, and the next read asks again.
//
// The shared instance picks its store on first use: MORVANE_SECRET_STORE=file or
// =keyring forces one; otherwise the system keyring when a probe entry can be
// written, read back and deleted, and the owner-only file store when it cannot.
class KeychainService final {
public:
    static constexpr QLatin1StringView service { "com.morvane.desktop.chat" };

    static KeychainService& shared();

    explicit KeychainService(std::unique_ptr<SecretStore> store);

    // Overwrites in place. When the write fails the previous value is deleted too, and
    // reads give absent: a stale secret is never taken for the one that failed to save.
    bool save(const QByteArray& data, const QString& key);
    // True when nothing is stored under the key afterwards.
    bool remove(const QString& key);
    // Absent when missing or unreadable. A keyring that fails is logged and read
    // as absent; this layer never deletes anything because of it.
    std::optional<QByteArray> load(const QString& key) const;
    // The store's answer as it is, for callers that must tell a store that failed
    // (a locked or silent keyring) from one that holds nothing under the key.
    SecretStore::Loaded loadEntry(const QString& key) const;

    // Text as UTF-8; stored bytes that are not UTF-8 read as absent.
    bool saveText(const QString& text, const QString& key);
    std::optional<QString> loadText(const QString& key) const;
    static std::optional<QString> utf8Text(const QByteArray& bytes);

    // The signed-in user stored under "cached_user"; absent when missing or when
    // the stored bytes do not read as a User (the item is left in place).
    std::optional<User> getCachedUser() const;

    SecretStore& store() const { return *m_store; }

private:
    std::unique_ptr<SecretStore> m_store;
    // Found or NotFound answers of the store, by account.
    mutable QHash<QString, SecretStore::Loaded> m_known;
};
