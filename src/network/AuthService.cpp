#include "network/AuthService.h"

#include "models/LoginRequest.h"
#include "models/RegisterRequest.h"
#include "network/APIClient.h"
#include "network/KeychainService.h"
#include "network/RefreshRequest.h"
#include "network/RefreshResponse.h"

#include <QDebug>
#include <QJsonObject>

namespace {

const QString authTokenKey = QStringLiteral("auth_token");
const QString refreshTokenKey = QStringLiteral("refresh_token");
const QString cachedUserKey = QStringLiteral("cached_user");

} // namespace

AuthService& AuthService::shared()
{
    static AuthService instance(APIClient::shared(), KeychainService::shared());
    return instance;
}

AuthService::AuthService(APIClient& api, KeychainService& keychain)
    : m_api(api)
    , m_keychain(keychain)
{
}

QCoro::Task<QString> AuthService::refreshToken()
{
    const SecretStore::Loaded entry = m_keychain.loadEntry(refreshTokenKey);
    if (entry.status == SecretStore::Status::Failed)
        throw APIError::keychainUnavailable();
    const std::optional<QString> stored = entry.status == SecretStore::Status::Found ? KeychainService::utf8Text(entry.data) : std::nullopt;
    if (!stored)
        throw APIError::unauthorized();

    const QJsonValue body = json::encode(RefreshRequest { *stored });
    const quint64 session = m_api.session();
    std::optional<RefreshResponse> reply;
    std::optional<APIError> failure;
    try {
        reply = co_await m_api.request<RefreshResponse>("POST", QStringLiteral("/api/auth/refresh"), body);
    } catch (const APIError& error) {
        failure = error;
    }
    // Signed out, or in as someone else, meanwhile: neither these tokens nor a refusal
    // of them concern the session held now.
    if (m_api.session() != session)
        throw APIError::cancelled();
    // A 401 stays unauthorized: the server refused the refresh token (it ran out, or
    // its session was ended), which the session end reads as an expired session.
    if (failure)
        throw *failure;

    if (!reply->appSessionId)
        throw APIError::serverError(reply->error.value_or(QStringLiteral("Token refresh failed")));
    m_keychain.saveText(*reply->appSessionId, authTokenKey);
    if (reply->refreshToken)
        m_keychain.saveText(*reply->refreshToken, refreshTokenKey);
    m_api.scheduleRenewal(*reply->appSessionId, reply->expiresIn);
    qInfo() << "[Auth] access token refreshed";
    co_return *reply->appSessionId;
}

QCoro::Task<AuthResponse> AuthService::login(QString username, QString password, std::optional<QString> code)
{
    QJsonValue body = json::encode(LoginRequest { std::move(username), std::move(password), std::move(code) });
    co_return co_await signIn(QStringLiteral("/api/auth/login"), std::move(body));
}

QCoro::Task<AuthResponse> AuthService::registerAccount(QString username, QString password, std::optional<QString> nickname,
                                                       std::optional<QString> email, std::optional<QString> inviteCode)
{
    const RegisterRequest request { std::move(username), std::move(password), std::move(nickname), std::move(email), std::move(inviteCode) };
    QJsonValue body = json::encode(request);
    co_return co_await signIn(QStringLiteral("/api/auth/register"), std::move(body));
}

QCoro::Task<AuthResponse> AuthService::signIn(QString path, QJsonValue body)
{
    // Not under refresh-and-retry: a 401 here means the credentials were refused,
    // and refreshing someone's old token and sending the password again would be wrong.
    std::optional<AuthResponse> reply;
    std::optional<APIError> refusal;
    try {
        reply = co_await m_api.request<AuthResponse>("POST", path, body);
    } catch (const APIError& error) {
        if (error.kind() != APIError::Kind::Unauthorized)
            throw;
        refusal = error.mfaRequired() ? APIError::twoFactorRequired(error.message()) : APIError::serverError(error.message());
    }
    if (refusal)
        throw *refusal;

    if (!reply->appSessionId || !reply->user)
        throw APIError::serverError(reply->error);

    // Answers still out for the session before this one now change nothing.
    m_api.startSession();
    m_keychain.saveText(*reply->appSessionId, authTokenKey);
    // A refresh token belongs to the session it came with, and a sign-in opens a new
    // one: one left from before (perhaps another account's) would renew into that
    // session, under this account's name. So none is kept when the reply brings none.
    if (reply->refreshToken)
        m_keychain.saveText(*reply->refreshToken, refreshTokenKey);
    else
        m_keychain.remove(refreshTokenKey);
    cacheUser(*reply->user);
    m_api.scheduleRenewal(*reply->appSessionId, reply->expiresIn);
    qInfo() << "[Auth] signed in as user" << reply->user->id;
    co_return std::move(*reply);
}

QCoro::Task<User> AuthService::me()
{
    const quint64 session = m_api.session();
    const AuthResponse reply = co_await m_api.guardedRequest<AuthResponse>("GET", QStringLiteral("/api/auth/me"));
    // The account of a session that has ended is not cached over the one held now.
    if (m_api.session() != session)
        throw APIError::cancelled();
    if (!reply.user)
        throw APIError::unauthorized();
    cacheUser(*reply.user);
    co_return *reply.user;
}

QCoro::Task<> AuthService::logout()
{
    try {
        co_await m_api.guardedRequest<EmptyResponse>("POST", QStringLiteral("/api/auth/logout"));
    } catch (const std::exception& error) {
        qInfo() << "[Auth] sign-out request failed:" << error.what();
    }
    // After the request, so that it still carries the token it ends.
    forgetSession();
}

void AuthService::forgetSession()
{
    m_api.startSession();
    m_api.cancelRenewal();
    m_keychain.remove(authTokenKey);
    m_keychain.remove(refreshTokenKey);
    m_keychain.remove(cachedUserKey);
    qInfo() << "[Auth] signed out";
}

std::optional<User> AuthService::getCachedUser() const
{
    return m_keychain.getCachedUser();
}

QCoro::Task<User> AuthService::getMyProfile()
{
    co_return co_await m_api.query<User>(QStringLiteral("user.getMyProfile"));
}

QCoro::Task<> AuthService::updateProfile(ProfileUpdate update)
{
    co_await m_api.mutation(QStringLiteral("user.updateProfile"), update);
}

QCoro::Task<QList<LoginSession>> AuthService::listSessions()
{
    co_return co_await m_api.query<QList<LoginSession>>(QStringLiteral("user.listSessions"));
}

QCoro::Task<> AuthService::revokeSession(qint64 sessionId)
{
    const QJsonObject input { { QStringLiteral("sessionId"), sessionId } };
    co_await m_api.mutation(QStringLiteral("user.revokeSession"), input);
}

void AuthService::cacheUser(const User& user)
{
    m_keychain.save(json::serialize(json::encode(user)), cachedUserKey);
}
