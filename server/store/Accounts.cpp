#include "store/Accounts.h"

#include "http/ServerError.h"
#include "Passwords.h"
#include "Roles.h"
#include "store/Database.h"
#include "store/RowJson.h"
#include "store/SystemSettings.h"
#include "store/TextRules.h"
#include "Tokens.h"
#include "WireTime.h"

#include <QJsonValue>
#include <QSqlQuery>

namespace {

constexpr int kMinPassword = 6;
constexpr int kMaxPassword = 128;
constexpr int kMaxUsername = 32;
constexpr int kMinUsername = 3;
constexpr int kMaxNickname = 64;
constexpr int kMaxEmail = 254;
constexpr int kMaxInviteCode = 64;
constexpr int kMaxBio = 200;
constexpr int kMaxGender = 32;
constexpr int kMaxRegion = 64;

QString validUsername(const QString& raw)
{
    const QString name = raw.trimmed();
    if (name.size() < kMinUsername || name.size() > kMaxUsername)
        throw ServerError::badRequest(Text::UsernameLength, kMinUsername, kMaxUsername);
    for (const QChar c : name) {
        if (!c.isLetterOrNumber() && c != u'_' && c != u'.' && c != u'-')
            throw ServerError::badRequest(Text::UsernameCharacters);
    }
    return name;
}

// One "@" with text on both sides, a dot inside the domain, no spaces.
bool looksLikeEmail(const QString& text)
{
    const qsizetype at = text.indexOf(u'@');
    if (at <= 0 || at != text.lastIndexOf(u'@') || text.contains(u' '))
        return false;
    const QString domain = text.mid(at + 1);
    const qsizetype dot = domain.indexOf(u'.');
    return dot > 0 && dot < domain.size() - 1;
}

} // namespace

Accounts::Accounts(Database& db, qint64 tokenTtlSeconds)
    : m_db(db)
    , m_tokenTtl(tokenTtlSeconds)
{
}

ValidRegistration Accounts::validRegistration(const Registration& registration)
{
    ValidRegistration valid;
    valid.username = validUsername(registration.username);
    if (registration.password.size() < kMinPassword)
        throw ServerError::badRequest(Text::PasswordTooShort, kMinPassword);
    if (registration.password.size() > kMaxPassword)
        throw ServerError::badRequest(Text::PasswordTooLong, kMaxPassword);
    valid.password = registration.password;
    valid.name = textrules::optional(registration.nickname, kMaxNickname, Text::NounNickname).value_or(valid.username);
    valid.email = textrules::optional(registration.email, kMaxEmail, Text::NounEmail);
    if (valid.email && (!valid.email->contains(u'@') || valid.email->contains(u' ')))
        throw ServerError::badRequest(Text::EmailNotValid);
    valid.inviteCode = textrules::optional(registration.inviteCode, kMaxInviteCode, Text::NounInviteCode);
    requireFreeName(valid.username);
    return valid;
}

void Accounts::requireFreeName(const QString& username)
{
    if (m_db.scalar(QStringLiteral("SELECT id FROM users WHERE username = ?"), { username }).isValid())
        throw ServerError::conflict(Text::UsernameTaken);
}

qint64 Accounts::insertUser(const ValidRegistration& registration, const passwords::Digest& digest)
{
    // The name may have been taken while the digest was made.
    requireFreeName(registration.username);
    const QString now = wiretime::now();
    return m_db.insert(QStringLiteral("INSERT INTO users (username, name, email, password_hash, password_salt,"
                                      " password_iterations, invite_code, created_at, updated_at)"
                                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        { registration.username, registration.name, rowjson::orNull(registration.email),
          digest.hash, digest.salt, digest.iterations, rowjson::orNull(registration.inviteCode), now, now });
}

qint64 Accounts::createUser(const Registration& registration)
{
    const ValidRegistration valid = validRegistration(registration);
    return insertUser(valid, passwords::make(valid.password));
}

ValidRegistration Accounts::validateRegistration(const Registration& registration)
{
    if (!SystemSettings(m_db).allowRegistration())
        throw ServerError::forbidden(Text::RegistrationClosed);
    return validRegistration(registration);
}

IssuedTokens Accounts::registerUser(const ValidRegistration& registration, const passwords::Digest& digest,
    const QString& clientAddress)
{
    const qint64 userId = insertUser(registration, digest);
    return openSession(userId, clientAddress);
}

void Accounts::requireSignInLimits(const QString& username, const QString& password)
{
    // Counted as sent, before trimming: padding is no way past the limit.
    if (username.size() > kMaxUsername)
        throw ServerError::badRequest(Text::UsernameLength, kMinUsername, kMaxUsername);
    if (password.size() > kMaxPassword)
        throw ServerError::badRequest(Text::PasswordTooLong, kMaxPassword);
}

std::optional<SignInRecord> Accounts::signInRecord(const QString& username)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, password_hash, password_salt, password_iterations"
                                               " FROM users WHERE username = ?"),
        { username.trimmed() });
    if (!query.next())
        return std::nullopt;
    return SignInRecord { query.value(0).toLongLong(),
        passwords::Digest { query.value(1).toByteArray(), query.value(2).toByteArray(), query.value(3).toInt() } };
}

IssuedTokens Accounts::completeSignIn(qint64 userId, const QString& clientAddress)
{
    // Read now, not with the digest: a ban while the password was checked counts.
    // Told only to whoever knows the password.
    if (m_db.scalar(QStringLiteral("SELECT is_banned FROM users WHERE id = ?"), { userId }).toInt() != 0)
        throw ServerError::forbidden(Text::AccountBanned);
    return openSession(userId, clientAddress);
}

IssuedTokens Accounts::openSession(qint64 userId, const QString& clientAddress)
{
    IssuedTokens issued;
    issued.userId = userId;
    issued.expiresIn = m_tokenTtl;
    issued.accessToken = tokens::newToken();
    issued.refreshToken = tokens::newToken();
    const qint64 now = wiretime::nowSeconds();
    const QString nowText = wiretime::now();
    issued.sessionId = m_db.insert(QStringLiteral("INSERT INTO sessions (user_id, access_hash, access_expires,"
                                                  " refresh_hash, refresh_expires, ip, created_at, last_active_at)"
                                                  " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        { userId, tokens::digest(issued.accessToken), now + m_tokenTtl,
          tokens::digest(issued.refreshToken), now + kRefreshTtlSeconds, clientAddress, nowText, nowText });
    m_db.exec(QStringLiteral("UPDATE users SET last_signed_in = ? WHERE id = ?"), { nowText, userId });
    return issued;
}

std::optional<AuthenticatedSession> Accounts::authenticate(const QString& accessToken)
{
    if (accessToken.isEmpty())
        return std::nullopt;
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, user_id, access_expires FROM sessions WHERE access_hash = ?"),
        { tokens::digest(accessToken) });
    if (!query.next())
        return std::nullopt;
    if (query.value(2).toLongLong() <= wiretime::nowSeconds())
        return std::nullopt;
    return AuthenticatedSession { query.value(1).toLongLong(), query.value(0).toLongLong(), query.value(2).toLongLong() };
}

IssuedTokens Accounts::refresh(const QString& refreshToken, std::optional<qint64>* endedSession)
{
    const ServerError refused = ServerError::unauthorized(Text::RefreshTokenNotValid);
    if (refreshToken.isEmpty())
        throw refused;
    const QString presented = tokens::digest(refreshToken);
    const qint64 now = wiretime::nowSeconds();
    Database::Transaction transaction(m_db);
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, user_id, refresh_expires FROM sessions WHERE refresh_hash = ?"), { presented });
    if (!query.next()) {
        // Only one party can have spent it the first time: the session is no longer safe
        // for either, and the rightful owner signs in again. A copy past its expiry is
        // refused anyway, spent or not.
        const QVariant replayed = m_db.scalar(QStringLiteral("SELECT session_id FROM spent_refresh_tokens"
                                                             " WHERE refresh_hash = ? AND expires_at > ?"),
            { presented, now });
        if (replayed.isValid()) {
            m_db.exec(QStringLiteral("DELETE FROM sessions WHERE id = ?"), { replayed });
            transaction.commit();
            *endedSession = replayed.toLongLong();
        }
        throw refused;
    }
    const qint64 presentedExpires = query.value(2).toLongLong();
    if (presentedExpires <= now)
        throw refused;
    // A ban keeps its sessions only so that this answer can say why they ended.
    if (m_db.scalar(QStringLiteral("SELECT is_banned FROM users WHERE id = ?"), { query.value(1) }).toInt() != 0) {
        m_db.exec(QStringLiteral("DELETE FROM sessions WHERE id = ?"), { query.value(0) });
        transaction.commit();
        throw ServerError::forbidden(Text::AccountBanned);
    }
    IssuedTokens issued;
    issued.sessionId = query.value(0).toLongLong();
    issued.userId = query.value(1).toLongLong();
    issued.expiresIn = m_tokenTtl;
    issued.accessToken = tokens::newToken();
    issued.refreshToken = tokens::newToken();
    // Spent tokens that could no longer be presented go as new ones come.
    m_db.run(QStringLiteral("DELETE FROM spent_refresh_tokens WHERE expires_at <= ?"), { now });
    m_db.run(QStringLiteral("INSERT INTO spent_refresh_tokens (refresh_hash, session_id, expires_at) VALUES (?, ?, ?)"),
        { presented, issued.sessionId, presentedExpires });
    m_db.exec(QStringLiteral("UPDATE sessions SET access_hash = ?, access_expires = ?, refresh_hash = ?,"
                             " refresh_expires = ?, last_active_at = ? WHERE id = ?"),
        { tokens::digest(issued.accessToken), now + m_tokenTtl, tokens::digest(issued.refreshToken),
          now + kRefreshTtlSeconds, wiretime::now(), issued.sessionId });
    transaction.commit();
    return issued;
}

bool Accounts::logout(const QString& accessToken)
{
    const auto session = authenticate(accessToken);
    if (!session)
        return false;
    m_db.exec(QStringLiteral("DELETE FROM sessions WHERE id = ?"), { session->sessionId });
    return true;
}

void Accounts::updateProfile(qint64 userId, const ProfileChanges& changes)
{
    QStringList columns;
    QVariantList values;
    auto set = [&](const char* column, const std::optional<QString>& value) {
        columns.append(QString::fromLatin1(column) + QStringLiteral(" = ?"));
        values.append(value ? QVariant(*value) : QVariant());
    };
    if (changes.name)
        set("name", textrules::required(*changes.name, kMaxNickname, Text::NounName));
    if (changes.bio)
        set("bio", textrules::optional(changes.bio, kMaxBio, Text::NounBio));
    if (changes.email) {
        const std::optional<QString> email = textrules::optional(changes.email, kMaxEmail, Text::NounEmail);
        if (email && !looksLikeEmail(*email))
            throw ServerError::badRequest(Text::EmailNotValid);
        set("email", email);
    }
    if (changes.gender)
        set("gender", textrules::optional(changes.gender, kMaxGender, Text::NounGender));
    if (changes.region)
        set("region", textrules::optional(changes.region, kMaxRegion, Text::NounRegion));
    if (columns.isEmpty())
        return;
    set("updated_at", wiretime::now());
    values.append(userId);
    m_db.exec(QStringLiteral("UPDATE users SET ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" WHERE id = ?"), values);
}

std::optional<QJsonObject> Accounts::userJson(qint64 userId, bool online)
{
    QSqlQuery query = m_db.exec(QStringLiteral("SELECT id, username, name, email, avatar, bio, role, gender, region,"
                                               " language, created_at, updated_at, last_signed_in, last_online_at"
                                               " FROM users WHERE id = ?"),
        { userId });
    if (!query.next())
        return std::nullopt;
    QJsonObject user;
    user.insert(QLatin1StringView("id"), query.value(0).toLongLong());
    user.insert(QLatin1StringView("openId"), query.value(1).toString());
    user.insert(QLatin1StringView("name"), query.value(2).toString());
    rowjson::putText(user, QLatin1StringView("email"), query.value(3));
    rowjson::putText(user, QLatin1StringView("avatar"), query.value(4));
    rowjson::putText(user, QLatin1StringView("bio"), query.value(5));
    user.insert(QLatin1StringView("loginMethod"), QStringLiteral("password"));
    user.insert(QLatin1StringView("role"), query.value(6).toString());
    user.insert(QLatin1StringView("online"), online);
    rowjson::putText(user, QLatin1StringView("lastOnlineAt"), query.value(13));
    rowjson::putText(user, QLatin1StringView("gender"), query.value(7));
    rowjson::putText(user, QLatin1StringView("region"), query.value(8));
    rowjson::putText(user, QLatin1StringView("language"), query.value(9));
    user.insert(QLatin1StringView("createdAt"), query.value(10).toString());
    user.insert(QLatin1StringView("updatedAt"), query.value(11).toString());
    rowjson::putText(user, QLatin1StringView("lastSignedIn"), query.value(12));
    return user;
}

QString Accounts::displayName(qint64 userId)
{
    return m_db.scalar(QStringLiteral("SELECT name FROM users WHERE id = ?"), { userId }).toString();
}

void Accounts::touchOnline(qint64 userId)
{
    m_db.exec(QStringLiteral("UPDATE users SET last_online_at = ? WHERE id = ?"), { wiretime::now(), userId });
}

void Accounts::recordDevice(qint64 userId, qint64 sessionId, const QString& deviceId, const QString& deviceType)
{
    m_db.exec(QStringLiteral("UPDATE sessions SET device_id = ? WHERE id = ? AND user_id = ?"), { deviceId, sessionId, userId });
    const QString now = wiretime::now();
    m_db.exec(QStringLiteral("INSERT INTO devices (user_id, device_id, device_type, first_seen_at, last_seen_at)"
                             " VALUES (?, ?, ?, ?, ?)"
                             " ON CONFLICT (user_id, device_id) DO UPDATE SET device_type = excluded.device_type,"
                             " last_seen_at = excluded.last_seen_at"),
        { userId, deviceId, deviceType, now, now });
}

std::optional<qint64> Accounts::idOf(const QString& username)
{
    const QVariant id = m_db.scalar(QStringLiteral("SELECT id FROM users WHERE username = ?"), { username });
    return id.isValid() ? std::optional<qint64>(id.toLongLong()) : std::nullopt;
}

QString Accounts::role(qint64 userId)
{
    const QVariant role = m_db.scalar(QStringLiteral("SELECT role FROM users WHERE id = ?"), { userId });
    return role.isValid() ? role.toString() : roles::kUser;
}

void Accounts::setRole(qint64 userId, const QString& role)
{
    if (!roles::isKnown(role))
        throw ServerError::badRequest(Text::UnknownRole, role.left(40));
    QSqlQuery query = m_db.exec(QStringLiteral("UPDATE users SET role = ?, updated_at = ? WHERE id = ?"), { role, wiretime::now(), userId });
    if (query.numRowsAffected() == 0)
        throw ServerError::notFound(Text::UserNotFound);
}

void Accounts::setBanned(qint64 userId, bool banned)
{
    Database::Transaction transaction(m_db);
    QSqlQuery query = m_db.exec(QStringLiteral("UPDATE users SET is_banned = ?, updated_at = ? WHERE id = ?"),
        { banned ? 1 : 0, wiretime::now(), userId });
    if (query.numRowsAffected() == 0)
        throw ServerError::notFound(Text::UserNotFound);
    // The access tokens die now; the refresh tokens stay until their next use, which is
    // told that the account is banned instead of finding its session simply gone.
    // An unban revives none of them.
    m_db.exec(banned ? QStringLiteral("UPDATE sessions SET access_expires = 0 WHERE user_id = ?")
                     : QStringLiteral("DELETE FROM sessions WHERE user_id = ? AND access_expires = 0"),
        { userId });
    transaction.commit();
}
