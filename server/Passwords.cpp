#include "Passwords.h"

#include "Tokens.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>

namespace passwords {

namespace {

QByteArray derive(const QString& password, const QByteArray& salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, iterations, 32);
}

// Compares every byte so the time taken does not tell how long the common prefix was.
bool constantTimeEqual(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

Digest make(const QString& password, int iterations)
{
    Digest digest;
    digest.salt = tokens::randomBytes(16);
    digest.iterations = iterations;
    digest.hash = derive(password, digest.salt, iterations);
    return digest;
}

bool verify(const QString& password, const Digest& stored)
{
    if (stored.iterations <= 0 || stored.salt.isEmpty() || stored.hash.isEmpty())
        return false;
    return constantTimeEqual(derive(password, stored.salt, stored.iterations), stored.hash);
}

} // namespace passwords
