#pragma once

// Time-based one-time passwords (RFC 6238 over the HOTP of RFC 4226) and the
// Base32 text authenticator apps use for their secrets.

#include <QByteArray>
#include <QString>

#include <optional>

class Totp {
public:
    enum class Algorithm { Sha1, Sha256, Sha512 };

    static constexpr qint64 kStepSeconds = 30;
    static constexpr int kDigits = 6;

    // The HOTP value of one counter, zero-padded to the given number of digits.
    static QString code(const QByteArray& key, qint64 counter, int digits = kDigits, Algorithm algorithm = Algorithm::Sha1);
    static qint64 stepAt(qint64 unixSeconds);
    // The step within ±window steps of the time whose code equals the given one.
    static std::optional<qint64> matchingStep(const QByteArray& key, const QString& code, qint64 unixSeconds, int window = 1);

    // RFC 4648 Base32 without padding.
    static QString toBase32(const QByteArray& bytes);
    // Accepts lower case, spaces and padding; nothing when a character is not Base32.
    static std::optional<QByteArray> fromBase32(const QString& text);
};
