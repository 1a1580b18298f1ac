#pragma once

// Password storage: PBKDF2-HMAC-SHA256 with a per-user random salt. Only the derived
// key, the salt and the iteration count are kept.

#include <QByteArray>
#include <QString>

namespace passwords {

struct Digest {
    QByteArray hash;
    QByteArray salt;
    int iterations = 0;
};

// Iterations for new digests; stored per user, so it can be raised later without
// invalidating existing accounts.
constexpr int kIterations = 120000;

Digest make(const QString& password, int iterations = kIterations);
bool verify(const QString& password, const Digest& stored);

} // namespace passwords
