#pragma once

// User accounts and their login sessions: registration, sign-in, bearer-token checks,
// refresh-token rotation, sign-out. Tokens are stored only as digests.

#include <QJsonObject>
#include <QString>

#include <optional>

class Database;

struct IssuedTokens {
    qint64 userId = 0;
    qint64 sessionId = 0;
    QString accessToken;
    QString refreshToken;
};

struct Registration {
    QString username;
    QString password;
    std::optional<QString> nickname;
    std::optional<QString> email;
    std::optional<QString> inviteCode;
};

struct AuthenticatedSession {
    qint64 userId = 0;
    qint64 sessionId = 0;
};

class Accounts {
public:
    // Refresh tokens live this long; access tokens live tokenTtlSeconds.
    static constexpr qint64 kRefreshTtlSeconds = 30LL * 24 * 3600;

    Accounts(Database& db, qint64 tokenTtlSeconds);

    // Validates and stores a new user; throws ServerError (400 bad input, 409 taken name).
    qint64 createUser(const Registration& registration);
    IssuedTokens registerUser(const Registration& registration, const QString& clientAddress);
    // Throws ServerError 400 with one text for an unknown name and a wrong password alike.
    IssuedTokens login(const QString& username, const QString& password, const QString& clientAddress);
    // A live (unexpired) access token, or nothing.
    std::optional<AuthenticatedSession> authenticate(const QString& accessToken);
    // Spends the refresh token and issues a new pair for the same session; throws 401.
    IssuedTokens refresh(const QString& refreshToken);
    // Ends the session of this access token; false when there was none.
    bool logout(const QString& accessToken);

    // The public profile as the client reads it; online is the live presence.
    std::optional<QJsonObject> userJson(qint64 userId, bool online);
    QString displayName(qint64 userId);
    void touchOnline(qint64 userId);
    // Remembers the device a user's live channel announced, and that the session runs on it.
    void recordDevice(qint64 userId, qint64 sessionId, const QString& deviceId, const QString& deviceType);

private:
    IssuedTokens openSession(qint64 userId, const QString& clientAddress);

    Database& m_db;
    qint64 m_tokenTtl;
};
