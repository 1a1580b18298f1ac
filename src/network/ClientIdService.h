#pragma once

#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class KeychainService;

// Makes the identifiers the client invents itself: the client message id of an
// outgoing message ("clientMsgId") and the device id of this installation
// ("deviceId"), which persists in the keychain across launches and sign-outs.
class ClientIdService final {
public:
    // Where time and randomness come from; tests replace them.
    struct Sources {
        std::function<qint64()> nowMilliseconds;
        std::function<quint32()> random32;
        std::function<QUuid()> newUuid;
    };

    static inline const QString deviceIdKey = QStringLiteral("device_unique_id");

    static ClientIdService& shared();

    explicit ClientIdService(KeychainService& keychain, Sources sources = systemSources());
    static Sources systemSources();

    // "<ms>-<random>-<counter>" in base 36; the counter starts at 0 and wraps after 65535.
    QString generateClientId();
    // The stored id when it is UTF-8 text, whatever it says; otherwise a new
    // "mac-<seconds>-<8 hex digits>" that is stored for next time. Absent while the
    // keychain cannot be read: the stored id is kept, never replaced by a new one.
    std::optional<QString> getOrCreateDeviceId();

    // Lowercase digits, no padding, "0" for zero.
    static QString base36(quint64 value);

private:
    KeychainService& m_keychain;
    Sources m_sources;
    quint16 m_counter = 0;
};
