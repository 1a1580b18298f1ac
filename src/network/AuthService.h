#pragma once

#include "models/AuthResponse.h"
#include "models/User.h"
#include "network/LoginSession.h"
#include "network/ProfileUpdate.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>

class APIClient;
class KeychainService;

// Signs in, registers, asks who is signed in, signs out and buys new access
// tokens. It decides what goes into and out of the keychain at each step and
// keeps nothing in memory: the tokens and the cached profile live only there.
// Each sign-in and sign-out starts a new session of the API client; an answer that
// arrives for an earlier one (a refresh, an account read) stores nothing and fails
// as cancelled.
class AuthService final {
public:
    static AuthService& shared();

    AuthService(APIClient& api, KeychainService& keychain);

    // The new access token. Not guarded by refresh-and-retry: it is the refresh.
    QCoro::Task<QString> refreshToken();
    // A refused password fails with the server's text (serverError) and never
    // leads to a token refresh or a second sending of the password.
    // code: the second factor, for an account that has it on (the server refuses
    // without it with TwoFactorRequired).
    QCoro::Task<AuthResponse> login(QString username, QString password, std::optional<QString> code = std::nullopt);
    QCoro::Task<AuthResponse> registerAccount(QString username, QString password, std::optional<QString> nickname,
                                              std::optional<QString> email, std::optional<QString> inviteCode);
    QCoro::Task<User> me();
    // Never fails: the sign-in items are deleted whatever the server says.
    QCoro::Task<> logout();
    // Deletes the sign-in items without telling the server: for a session the server has ended.
    void forgetSession();
    std::optional<User> getCachedUser() const;

    QCoro::Task<User> getMyProfile();
    // Stores the given profile fields; the caller reads the user again afterwards.
    QCoro::Task<> updateProfile(ProfileUpdate update);
    QCoro::Task<QList<LoginSession>> listSessions();
    QCoro::Task<> revokeSession(qint64 sessionId);

private:
    QCoro::Task<AuthResponse> signIn(QString path, QJsonValue body);
    void cacheUser(const User& user);

    APIClient& m_api;
    KeychainService& m_keychain;
};
