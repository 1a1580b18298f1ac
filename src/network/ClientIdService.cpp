#include "network/ClientIdService.h"

#include "network/KeychainService.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <utility>

ClientIdService& ClientIdService::shared()
{
    static ClientIdService instance(KeychainService::shared());
    return instance;
}

ClientIdService::ClientIdService(KeychainService& keychain, Sources sources)
    : m_keychain(keychain)
    , m_sources(std::move(sources))
{
}

ClientIdService::Sources ClientIdService::systemSources()
{
    return Sources {
        [] { return QDateTime::currentMSecsSinceEpoch(); },
        // The low half of a 64-bit draw from the system's secure source.
        [] { return static_cast<quint32>(QRandomGenerator::system()->generate64() & 0xffffffffu); },
        [] { return QUuid::createUuid(); },
    };
}

QString ClientIdService::base36(quint64 value)
{
    return QString::number(value, 36);
}

QString ClientIdService::generateClientId()
{
    const qint64 milliseconds = m_sources.nowMilliseconds();
    const quint32 random = m_sources.random32();
    const quint16 counter = m_counter++;
    return base36(static_cast<quint64>(milliseconds)) + u'-' + base36(random) + u'-' + base36(counter);
}

std::optional<QString> ClientIdService::getOrCreateDeviceId()
{
    const SecretStore::Loaded entry = m_keychain.loadEntry(deviceIdKey);
    // A keyring that does not answer may well hold the id; a new one would replace it.
    if (entry.status == SecretStore::Status::Failed)
        return std::nullopt;
    if (entry.status == SecretStore::Status::Found) {
        if (const std::optional<QString> stored = KeychainService::utf8Text(entry.data))
            return *stored;
    }

    const qint64 seconds = m_sources.nowMilliseconds() / 1000;
    const QString uuidHead = m_sources.newUuid().toString(QUuid::WithoutBraces).left(8).toLower();
    const QString id = QStringLiteral("mac-") + base36(static_cast<quint64>(seconds)) + u'-' + uuidHead;
    m_keychain.saveText(id, deviceIdKey);
    return id;
}
