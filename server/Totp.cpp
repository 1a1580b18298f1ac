#include "Totp.h"

#include <QMessageAuthenticationCode>

#include <cstring>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

QCryptographicHash::Algorithm hashOf(Totp::Algorithm algorithm)
{
    switch (algorithm) {
    case Totp::Algorithm::Sha256:
        return QCryptographicHash::Sha256;
    case Totp::Algorithm::Sha512:
        return QCryptographicHash::Sha512;
    case Totp::Algorithm::Sha1:
        break;
    }
    return QCryptographicHash::Sha1;
}

// Compares without stopping at the first difference, so timing tells nothing.
bool sameText(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    char16_t diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= a[i].unicode() ^ b[i].unicode();
    return diff == 0;
}

} // namespace

QString Totp::code(const QByteArray& key, qint64 counter, int digits, Algorithm algorithm)
{
    QByteArray message(8, Qt::Uninitialized);
    for (int i = 7; i >= 0; --i) {
        message[i] = static_cast<char>(counter & 0xff);
        counter >>= 8;
    }
    const QByteArray mac = QMessageAuthenticationCode::hash(message, key, hashOf(algorithm));
    const int offset = mac[mac.size() - 1] & 0x0f;
    const quint32 binary = (quint32(quint8(mac[offset]) & 0x7f) << 24) | (quint32(quint8(mac[offset + 1])) << 16)
        | (quint32(quint8(mac[offset + 2])) << 8) | quint32(quint8(mac[offset + 3]));
    quint64 modulus = 1;
    for (int i = 0; i < digits; ++i)
        modulus *= 10;
    return QStringLiteral("%1").arg(binary % modulus, digits, 10, QLatin1Char('0'));
}

qint64 Totp::stepAt(qint64 unixSeconds)
{
    return unixSeconds >= 0 ? unixSeconds / kStepSeconds : -((-unixSeconds + kStepSeconds - 1) / kStepSeconds);
}

std::optional<qint64> Totp::matchingStep(const QByteArray& key, const QString& given, qint64 unixSeconds, int window)
{
    if (given.size() != kDigits)
        return std::nullopt;
    const qint64 now = stepAt(unixSeconds);
    for (qint64 step = now - window; step <= now + window; ++step) {
        if (sameText(code(key, step), given))
            return step;
    }
    return std::nullopt;
}

QString Totp::toBase32(const QByteArray& bytes)
{
    QString text;
    quint32 buffer = 0;
    int bits = 0;
    for (const char byte : bytes) {
        buffer = (buffer << 8) | quint8(byte);
        bits += 8;
        while (bits >= 5) {
            text.append(QLatin1Char(kAlphabet[(buffer >> (bits - 5)) & 0x1f]));
            bits -= 5;
        }
    }
    if (bits > 0)
        text.append(QLatin1Char(kAlphabet[(buffer << (5 - bits)) & 0x1f]));
    return text;
}

std::optional<QByteArray> Totp::fromBase32(const QString& text)
{
    QByteArray bytes;
    quint32 buffer = 0;
    int bits = 0;
    for (const QChar c : text) {
        if (c == u' ' || c == u'=')
            continue;
        const char upper = char(c.toUpper().unicode() < 128 ? c.toUpper().unicode() : 0);
        const char* found = upper ? std::strchr(kAlphabet, upper) : nullptr;
        if (!found)
            return std::nullopt;
        buffer = (buffer << 5) | quint32(found - kAlphabet);
        bits += 5;
        if (bits >= 8) {
            bytes.append(char((buffer >> (bits - 8)) & 0xff));
            bits -= 8;
        }
    }
    return bytes;
}
