#pragma once

// Authenticator codes for tests of two-factor sign-in, made with the server's own
// TOTP so they match what it expects.

#include "Totp.h"

#include <QDateTime>
#include <QString>
#include <QTest>

namespace testtotp {

// The server's clock is this machine's: a code made just before a step ends could be
// judged one step later, so codes are made well inside a step.
inline QString codeAt(const QByteArray& secret, int stepsFromNow)
{
    const qint64 into = QDateTime::currentSecsSinceEpoch() % Totp::kStepSeconds;
    if (into >= Totp::kStepSeconds - 3)
        QTest::qWait(int(Totp::kStepSeconds - into) * 1000 + 200);
    return Totp::code(secret, Totp::stepAt(QDateTime::currentSecsSinceEpoch()) + stepsFromNow);
}

} // namespace testtotp
