#pragma once

// Secrets handed to clients: access and refresh tokens, upload keys. Only their
// SHA-256 digests are stored, so a copy of the database gives no working token.

#include <QByteArray>
#include <QString>

namespace tokens {

QByteArray randomBytes(int count);
// 256 random bits as 64 lower-case hex digits.
QString newToken();
// 128 random bits as 32 hex digits: keys that appear in addresses.
QString newKey();
QString digest(const QString& token);

} // namespace tokens
