#include "network/KeychainService.h"

#include "network/FileSecretStore.h"
#include "network/KeyringSecretStore.h"

#include <QDebug>
#include <QStringDecoder>

#include <utility>

namespace {

std::unique_ptr<SecretStore> makeDefaultStore()
{
    const QString service = KeychainService::service;
    const QString forced = qEnvironmentVariable("MORVANE_SECRET_STORE");
    std::unique_ptr<SecretStore> store;
    if (forced == u"file") {
        store = std::make_unique<FileSecretStore>(FileSecretStore::defaultDirectory(service));
    } else if (forced == u"keyring") {
        store = std::make_unique<KeyringSecretStore>(service);
    } else {
        auto keyring = std::make_unique<KeyringSecretStore>(service);
        if (keyring->probe())
            store = std::move(keyring);
        else
            store = std::make_unique<FileSecretStore>(FileSecretStore::defaultDirectory(service));
    }
    qInfo().noquote() << "[Keychain] using the" << store->name() << "store";
    return store;
}

} // namespace

KeychainService& KeychainService::shared()
{
    // Never freed: requests may still read tokens while the program shuts down.
    static KeychainService* const instance = new KeychainService(makeDefaultStore());
    return *instance;
}

KeychainService::KeychainService(std::unique_ptr<SecretStore> store)
    : m_store(std::move(store))
{
}

bool KeychainService::save(const QByteArray& data, const QString& key)
{
    if (m_store->write(key, data)) {
        m_known.insert(key, { SecretStore::Status::Found, data });
        return true;
    }
    // The value before is no longer the one that belongs here (an earlier session's
    // token, say): it must not be read in its place.
    m_store->remove(key);
    m_known.insert(key, { SecretStore::Status::NotFound, {} });
    return false;
}

bool KeychainService::remove(const QString& key)
{
    const bool removed = m_store->remove(key);
    if (removed)
        m_known.insert(key, { SecretStore::Status::NotFound, {} });
    else
        m_known.remove(key);
    return removed;
}

SecretStore::Loaded KeychainService::loadEntry(const QString& key) const
{
    if (const auto known = m_known.constFind(key); known != m_known.cend())
        return *known;
    SecretStore::Loaded loaded = m_store->read(key);
    // Saved or deleted while the store was answering: that value is the newer one.
    if (const auto meanwhile = m_known.constFind(key); meanwhile != m_known.cend())
        return *meanwhile;
    if (loaded.status == SecretStore::Status::Failed) {
        qWarning().noquote() << "[Keychain] could not read" << key << "from the" << m_store->name() << "store";
        return loaded;
    }
    m_known.insert(key, loaded);
    return loaded;
}

std::optional<QByteArray> KeychainService::load(const QString& key) const
{
    SecretStore::Loaded loaded = loadEntry(key);
    if (loaded.status != SecretStore::Status::Found)
        return std::nullopt;
    return std::move(loaded.data);
}

bool KeychainService::saveText(const QString& text, const QString& key)
{
    return save(text.toUtf8(), key);
}

std::optional<QString> KeychainService::loadText(const QString& key) const
{
    const std::optional<QByteArray> bytes = load(key);
    if (!bytes)
        return std::nullopt;
    return utf8Text(*bytes);
}

std::optional<QString> KeychainService::utf8Text(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

std::optional<User> KeychainService::getCachedUser() const
{
    const std::optional<QByteArray> bytes = load(QStringLiteral("cached_user"));
    if (!bytes)
        return std::nullopt;
    try {
        return json::decode<User>(*bytes);
    } catch (const json::DecodeError&) {
        return std::nullopt;
    }
}
