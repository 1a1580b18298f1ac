#include "Tokens.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace tokens {

QByteArray randomBytes(int count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    auto* generator = QRandomGenerator::system();
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(generator->bounded(256));
    return bytes;
}

QString newToken()
{
    return QString::fromLatin1(randomBytes(32).toHex());
}

QString newKey()
{
    return QString::fromLatin1(randomBytes(16).toHex());
}

QString digest(const QString& token)
{
    return QString::fromLatin1(QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace tokens
