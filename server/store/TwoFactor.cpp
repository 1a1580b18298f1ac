#include "store/TwoFactor.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "Tokens.h"
#include "Totp.h"
#include "WireTime.h"

#include <QJsonArray>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QUrl>

namespace {

// No 0/o, 1/l/i: backup codes are read off paper.
constexpr char kBackupAlphabet[] = "abcdefghjkmnpqrstuvwxyz23456789";

QString newBackupCode()
{
    QString code;
    auto* generator = QRandomGenerator::system();
    for (int i = 0; i < 10; ++i) {
        if (i == 5)
            code.append(u'-');
        code.append(QLatin1Char(kBackupAlphabet[generator->bounded(int(sizeof(kBackupAlphabet) - 1))]));
    }
    return code;
}

QString normalizedBackupCode(const QString& code)
{
    QString text = code.toLower();
    text.remove(u'-');
    text.remove(u' ');
    return text;
}

} // namespace

TwoFactor::TwoFactor(Database& db)
    : m_db(db)
{
}

QJsonObject TwoFactor::status(qint64 userId)
{
    const bool enabled = m_db.scalar(QStringLiteral("SELECT enabled FROM mfa WHERE user_id = ?"), { userId }).toInt() != 0;
    const bool backups = enabled
        && m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM mfa_backup_codes WHERE user_id = ? AND used_at IS NULL"), { userId }).toLongLong() > 0;
    return { { QStringLiteral("enabled"), enabled }, { QStringLiteral("hasBackupCodes"), backups } };
}

QJsonObject TwoFactor::setup(qint64 userId, const QString& accountName)
{
    if (m_db.scalar(QStringLiteral("SELECT enabled FROM mfa WHERE user_id = ?"), { userId }).toInt() != 0)
        throw ServerError::conflict(Text::TwoFactorOnTurnOffFirst);
    const QString secret = Totp::toBase32(tokens::randomBytes(kSecretBytes));
    QJsonArray codes;
    Database::Transaction transaction(m_db);
    m_db.exec(QStringLiteral("DELETE FROM mfa_backup_codes WHERE user_id = ?"), { userId });
    m_db.exec(QStringLiteral("INSERT OR REPLACE INTO mfa (user_id, secret, enabled, last_step, created_at) VALUES (?, ?, 0, 0, ?)"),
        { userId, secret, wiretime::now() });
    for (int i = 0; i < kBackupCodes; ++i) {
        const QString code = newBackupCode();
        m_db.exec(QStringLiteral("INSERT OR IGNORE INTO mfa_backup_codes (user_id, code_hash) VALUES (?, ?)"),
            { userId, tokens::digest(normalizedBackupCode(code)) });
        codes.append(code);
    }
    transaction.commit();
    const QString label = QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("Morvane:") + accountName, ":"));
    const QString address = QStringLiteral("otpauth://totp/%1?secret=%2&issuer=Morvane&algorithm=SHA1&digits=%3&period=%4")
                                .arg(label, secret)
                                .arg(Totp::kDigits)
                                .arg(Totp::kStepSeconds);
    return { { QStringLiteral("secret"), secret }, { QStringLiteral("qrCodeUrl"), address }, { QStringLiteral("backupCodes"), codes } };
}

void TwoFactor::verify(qint64 userId, const QString& code)
{
    const QVariant enabled = m_db.scalar(QStringLiteral("SELECT enabled FROM mfa WHERE user_id = ?"), { userId });
    if (!enabled.isValid())
        throw ServerError::badRequest(Text::TwoFactorSetUpFirst);
    if (enabled.toInt() != 0)
        throw ServerError::conflict(Text::TwoFactorAlreadyOn);
    Database::Transaction transaction(m_db);
    // Only the authenticator proves it holds the secret; a backup code came with the setup.
    checkCode(userId, code, Codes::AuthenticatorOnly);
    m_db.exec(QStringLiteral("UPDATE mfa SET enabled = 1, enabled_at = ? WHERE user_id = ?"), { wiretime::now(), userId });
    transaction.commit();
}

void TwoFactor::disable(qint64 userId, const QString& code)
{
    if (m_db.scalar(QStringLiteral("SELECT enabled FROM mfa WHERE user_id = ?"), { userId }).toInt() == 0)
        throw ServerError::badRequest(Text::TwoFactorNotOn);
    Database::Transaction transaction(m_db);
    checkCode(userId, code, Codes::AuthenticatorOrBackup);
    m_db.exec(QStringLiteral("DELETE FROM mfa_backup_codes WHERE user_id = ?"), { userId });
    m_db.exec(QStringLiteral("DELETE FROM mfa WHERE user_id = ?"), { userId });
    transaction.commit();
}

bool TwoFactor::isOn(qint64 userId)
{
    return m_db.scalar(QStringLiteral("SELECT enabled FROM mfa WHERE user_id = ?"), { userId }).toInt() != 0;
}

void TwoFactor::checkSignInCode(qint64 userId, const QString& code)
{
    Database::Transaction transaction(m_db);
    checkCode(userId, code, Codes::AuthenticatorOrBackup);
    transaction.commit();
}

void TwoFactor::checkCode(qint64 userId, const QString& code, Codes accepted)
{
    const qint64 now = wiretime::nowSeconds();
    Failures& failures = m_failures[userId];
    if (now - failures.since > kFailureWindowSeconds)
        failures = Failures { 0, now };
    // Six digits have few enough values to be guessed without a limit.
    if (failures.count >= kMaxFailures)
        throw ServerError::badRequest(Text::TooManyWrongCodes);
    if (useTotp(userId, code) || (accepted == Codes::AuthenticatorOrBackup && useBackupCode(userId, code))) {
        m_failures.remove(userId);
        return;
    }
    ++failures.count;
    throw ServerError::badRequest(Text::CodeNotCorrect);
}

bool TwoFactor::useTotp(qint64 userId, const QString& rawCode)
{
    QString code = rawCode;
    code.remove(u' ');
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT secret, last_step FROM mfa WHERE user_id = ?"), { userId });
    if (!query.next())
        return false;
    const auto key = Totp::fromBase32(query.value(0).toString());
    if (!key)
        return false;
    const auto step = Totp::matchingStep(*key, code, wiretime::nowSeconds());
    // A code seen once (or an older one) is refused: an overheard code cannot be replayed.
    if (!step || *step <= query.value(1).toLongLong())
        return false;
    m_db.exec(QStringLiteral("UPDATE mfa SET last_step = ? WHERE user_id = ?"), { *step, userId });
    return true;
}

bool TwoFactor::useBackupCode(qint64 userId, const QString& code)
{
    const QString normalized = normalizedBackupCode(code);
    if (normalized.size() != 10)
        return false;
    QSqlQuery query = m_db.exec(QStringLiteral("UPDATE mfa_backup_codes SET used_at = ? WHERE user_id = ? AND code_hash = ? AND used_at IS NULL"),
        { wiretime::now(), userId, tokens::digest(normalized) });
    return query.numRowsAffected() > 0;
}
