#pragma once

// User accounts and their login sessions: registration, sign-in, bearer-token checks,
// refresh-token rotation, sign-out. Tokens are stored only as digests.

#include "Passwords.h"

#include <QJsonObject>
#include <QString>

#include <optional>

class Database;

struct IssuedTokens {
    qint64 userId = 0;
    qint64 sessionId = 0;
    QString accessToken;
    QString refreshToken;
    // Seconds the access token stays valid.
    qint64 expiresIn = 0;
};

struct Registration {
    QString username;
    QString password;
    std::optional<QString> nickname;
    std::optional<QString> email;
    std::optional<QString> inviteCode;
};

// What "user.updateProfile" changes: an absent field stays; an optional field given
// as blank text is cleared.
struct ProfileChanges {
    std::optional<QString> name;
    std::optional<QString> bio;
    std::optional<QString> email;
    std::optional<QString> gender;
    std::optional<QString> region;
};

struct ValidRegistration {
    QString username;
    QString password;
    QString name;
    std::optional<QString> email;
    std::optional<QString> inviteCode;
};

struct SignInRecord {
    qint64 userId = 0;
    passwords::Digest digest;
};

struct AuthenticatedSession {
    qint64 userId = 0;
    qint64 sessionId = 0;
    // When the access token stops being valid (seconds since the epoch).
    qint64 accessExpires = 0;
};

class Accounts {
public:
    // Refresh tokens live this long; access tokens live tokenTtlSeconds.
    static constexpr qint64 kRefreshTtlSeconds = 30LL * 24 * 3600;

    Accounts(Database& db, qint64 tokenTtlSeconds);

    // Validates and stores a new user; throws ServerError (400 bad input, 409 taken name).
    qint64 createUser(const Registration& registration);
    // Refused (403) while the system configuration closes registration.
    // Registration in three steps, so the slow password digest can be made off the
    // event loop: check the fields (400, 403 while registration is closed, 409 for a
    // taken name), digest the password, then store the user and open a session.
    ValidRegistration validateRegistration(const Registration& registration);
    IssuedTokens registerUser(const ValidRegistration& registration, const passwords::Digest& digest,
        const QString& clientAddress);
    // Sign-in in the same way: the stored digest of a name (nothing for an unknown
    // one), then, once the password matched it, a session; a banned account is 403.
    std::optional<SignInRecord> signInRecord(const QString& username);
    // Throws 400 for a name (as sent, spaces included) or password longer than any
    // account can have; registrations and sign-ins are refused with it before anything
    // is counted or a digest made.
    static void requireSignInLimits(const QString& username, const QString& password);
    IssuedTokens completeSignIn(qint64 userId, const QString& clientAddress);
    // A live (unexpired) access token, or nothing.
    std::optional<AuthenticatedSession> authenticate(const QString& accessToken);
    // Spends the refresh token and issues a new pair for the same session; throws 401.
    // A token spent before ends its session (someone else holds a copy) and names it
    // in endedSession, for the caller to close its sockets. Spent tokens are remembered
    // until they would have expired, no longer.
    IssuedTokens refresh(const QString& refreshToken, std::optional<qint64>* endedSession);
    // Ends the session of this access token; false when there was none.
    bool logout(const QString& accessToken);

    // Validates every given field before storing any; throws ServerError 400 naming
    // the field (blank name, too long, not an e-mail address, control characters).
    void updateProfile(qint64 userId, const ProfileChanges& changes);
    // The public profile as the client reads it; online is the live presence.
    std::optional<QJsonObject> userJson(qint64 userId, bool online);
    QString displayName(qint64 userId);
    void touchOnline(qint64 userId);
    // Remembers the device a user's live channel announced, and that the session runs on it.
    void recordDevice(qint64 userId, qint64 sessionId, const QString& deviceId, const QString& deviceType);

    std::optional<qint64> idOf(const QString& username);
    // "user" for an account that does not exist, so it is never mistaken for staff.
    QString role(qint64 userId);
    // Throws ServerError 400 for a role outside the four, 404 for an unknown account.
    void setRole(qint64 userId, const QString& role);
    // A banned account cannot sign in and loses every login session at once (callers
    // close its sockets). Throws ServerError 404 for an unknown account.
    void setBanned(qint64 userId, bool banned);

private:
    ValidRegistration validRegistration(const Registration& registration);
    void requireFreeName(const QString& username);
    qint64 insertUser(const ValidRegistration& registration, const passwords::Digest& digest);
    IssuedTokens openSession(qint64 userId, const QString& clientAddress);

    Database& m_db;
    qint64 m_tokenTtl;
};
