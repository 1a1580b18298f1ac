#pragma once

// Two-factor authentication of an account: a TOTP secret made by setup(), switched
// on by a first correct authenticator code, switched off again with a code, and asked
// for at every sign-in while on. One-time backup codes stand in for a lost
// authenticator; a TOTP code is accepted once only. Wrong codes are counted per
// account, whichever of these calls they come through: one instance serves them all.

#include <QHash>
#include <QJsonObject>
#include <QString>

class Database;

class TwoFactor {
public:
    static constexpr int kSecretBytes = 20;
    static constexpr int kBackupCodes = 8;
    static constexpr int kMaxFailures = 5;
    static constexpr qint64 kFailureWindowSeconds = 300;

    explicit TwoFactor(Database& db);

    QJsonObject status(qint64 userId);
    // {"secret", "qrCodeUrl", "backupCodes"}; replaces an unconfirmed setup, 409 when already on.
    QJsonObject setup(qint64 userId, const QString& accountName);
    // Confirms the setup with an authenticator code; 400 for a wrong or backup code or
    // no setup, 409 when already on.
    void verify(qint64 userId, const QString& code);
    // 400 for a wrong code or when it is not on.
    void disable(qint64 userId, const QString& code);

    // Whether signing in to the account needs a code besides the password.
    bool isOn(qint64 userId);
    // The second step of a sign-in: spends a current authenticator code or an unused
    // backup code; throws 400 (wrong code, or too many of them lately) otherwise.
    void checkSignInCode(qint64 userId, const QString& code);

private:
    struct Failures {
        int count = 0;
        qint64 since = 0;
    };

    enum class Codes { AuthenticatorOnly, AuthenticatorOrBackup };
    // Spends the code when it is right; counts the failure otherwise and throws 400.
    void checkCode(qint64 userId, const QString& code, Codes accepted);
    bool useTotp(qint64 userId, const QString& code);
    bool useBackupCode(qint64 userId, const QString& code);

    Database& m_db;
    QHash<qint64, Failures> m_failures;
};
