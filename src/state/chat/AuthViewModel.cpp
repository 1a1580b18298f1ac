#include "state/chat/AuthViewModel.h"

#include "network/APIClient.h"
#include "network/APIError.h"
#include "network/AuthService.h"
#include "network/KeychainService.h"
#include "network/WebSocketService.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"

#include <QDebug>
#include <QPointer>
#include <QScopeGuard>
#include <QTextBoundaryFinder>

namespace {

bool isKind(const std::exception& error, APIError::Kind kind)
{
    const auto* apiError = dynamic_cast<const APIError*>(&error);
    return apiError && apiError->kind() == kind;
}

// The server refused the form without saying why: the form's own failure says it
// better than the generic text.
bool refusedWithoutWords(const std::exception& error)
{
    const auto* apiError = dynamic_cast<const APIError*>(&error);
    return apiError && !apiError->message()
        && (apiError->kind() == APIError::Kind::ServerError || apiError->kind() == APIError::Kind::TwoFactorRequired);
}

bool isUnauthorized(const std::exception& error)
{
    return isKind(error, APIError::Kind::Unauthorized);
}

// Characters as the user sees them: 密码 is two, not six bytes.
qsizetype visibleLength(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

std::optional<QString> presentOrAbsent(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

AuthViewModel::Dependencies AuthViewModel::sharedDependencies()
{
    return Dependencies { &AuthService::shared(), &KeychainService::shared(), WebSocketService::shared(), &APIClient::shared() };
}

AuthViewModel::AuthViewModel(QObject* parent)
    : AuthViewModel(sharedDependencies(), parent)
{
}

AuthViewModel::AuthViewModel(Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_deps(dependencies)
{
    connect(m_deps.api, &APIClient::sessionEnded, this, &AuthViewModel::endSession);
    connect(m_deps.wsService, &WebSocketService::authenticated, this, [this] { refreshCurrentUser(); });
    // A refusal may mean the account lost a role: read it again, once for a burst of them
    // (and not for the refusal of that read itself).
    connect(m_deps.api, &APIClient::requestForbidden, this, [this] {
        if (m_isAuthenticated && m_rereads == 0)
            refreshCurrentUser();
    });
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, [this] {
        if (m_errorKey)
            setLocalizedError(*m_errorKey);
    });
    restoreSession();
}

void AuthViewModel::restoreSession()
{
    const std::optional<User> cached = m_deps.authService->getCachedUser();
    if (!cached)
        return;
    // An empty stored token still counts as present; bytes that are not UTF-8 do not.
    if (!m_deps.keychain->loadText(QStringLiteral("auth_token")))
        return;
    setSession(cached);
    QMetaObject::invokeMethod(this, [this] { checkRestoredSession(); }, Qt::QueuedConnection);
}

QCoro::Task<> AuthViewModel::checkRestoredSession()
{
    return confirmSession(QStringLiteral("[Auth] Could not check the cached session, keeping it: "),
                          QStringLiteral("[Auth] Cached token is invalid, logging out: "));
}

// Only the server's refusal of the token ends the session. An unreachable or
// failing server says nothing about the token; signing out then would throw
// away a valid session.
QCoro::Task<> AuthViewModel::confirmSession(QString keepingLine, QString endingLine)
{
    QPointer<AuthViewModel> self(this);
    // An account read of a session that has ended (signed out, or in as someone else)
    // fails as cancelled and neither signs in nor out: there is nothing to say about it.
    const quint64 session = m_deps.api->session();
    ++m_rereads;
    const auto reread = qScopeGuard([&] {
        if (self)
            --m_rereads;
    });
    try {
        const User user = co_await m_deps.authService->me();
        if (self)
            setSession(user);
        co_return;
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        if (!isUnauthorized(error)) {
            if (m_deps.api->session() == session)
                qWarning().noquote() << keepingLine + errorDescription(error);
            co_return;
        }
        qInfo().noquote() << endingLine + errorDescription(error);
    }
    // A refused refresh has signed out already, with its reason.
    if (!m_isAuthenticated)
        co_return;
    co_await m_deps.authService->logout();
    if (self)
        setSession(std::nullopt);
}

QCoro::Task<> AuthViewModel::login()
{
    if (!formIsValid(false))
        co_return;
    // Built first: g++ 12 mishandles temporaries inside a co_await expression.
    const std::optional<QString> code = m_isCodeRequired ? std::optional(m_code) : std::nullopt;
    QCoro::Task<AuthResponse> request = m_deps.authService->login(m_username, m_password, code);
    if (co_await signIn(std::move(request), QStringLiteral("auth.login_failed"))) {
        setUsername(QString());
        setPassword(QString());
        setCode(QString());
        setIsCodeRequired(false);
        setIsLoading(false);
    }
}

QCoro::Task<> AuthViewModel::registerAccount()
{
    if (!formIsValid(true))
        co_return;
    QCoro::Task<AuthResponse> request = m_deps.authService->registerAccount(
        m_username, m_password, presentOrAbsent(m_nickname), presentOrAbsent(m_email), presentOrAbsent(m_inviteCode));
    if (co_await signIn(std::move(request), QStringLiteral("auth.register_failed"))) {
        setUsername(QString());
        setPassword(QString());
        setNickname(QString());
        setEmail(QString());
        setInviteCode(QString());
        setIsLoading(false);
    }
}

bool AuthViewModel::formIsValid(bool registering)
{
    if (m_username.isEmpty() || m_password.isEmpty()) {
        setLocalizedError(QStringLiteral("auth.fill_in_credentials"));
        return false;
    }
    if (registering && visibleLength(m_password) < 6) {
        setLocalizedError(QStringLiteral("auth.password_too_short"));
        return false;
    }
    return true;
}

QCoro::Task<bool> AuthViewModel::signIn(QCoro::Task<AuthResponse> request, QString fallbackKey)
{
    QPointer<AuthViewModel> self(this);
    setIsLoading(true);
    setError(std::nullopt);
    std::optional<User> user;
    QString failure;
    bool codeRequired = false;
    try {
        const AuthResponse response = co_await std::move(request);
        user = response.user;
    } catch (const std::exception& error) {
        if (!refusedWithoutWords(error))
            failure = errorDescription(error);
        codeRequired = isKind(error, APIError::Kind::TwoFactorRequired);
    }
    if (!self)
        co_return false;
    if (!user) {
        if (codeRequired)
            setIsCodeRequired(true);
        if (failure.isEmpty())
            setLocalizedError(fallbackKey);
        else
            setError(failure);
        setIsLoading(false);
        co_return false;
    }
    setSession(user);
    co_return true;
}

QCoro::Task<> AuthViewModel::logout()
{
    QPointer<AuthViewModel> self(this);
    co_await m_deps.authService->logout();
    if (!self)
        co_return;
    m_deps.wsService->disconnect();
    // The form stays as it is: the mode, the fields and any message.
    setSession(std::nullopt);
}

void AuthViewModel::endSession(SessionEnd reason)
{
    if (!m_isAuthenticated)
        return;
    qInfo() << "[Auth] The server ended the session, signing out";
    m_deps.authService->forgetSession();
    m_deps.wsService->disconnect();
    setIsLoginMode(true);
    switch (reason) {
    case SessionEnd::SignedOutElsewhere:
        setLocalizedError(QStringLiteral("auth.ended_elsewhere"));
        break;
    case SessionEnd::Suspended:
        setLocalizedError(QStringLiteral("auth.ended_suspended"));
        break;
    case SessionEnd::Expired:
        setLocalizedError(QStringLiteral("auth.ended_expired"));
        break;
    }
    setSession(std::nullopt);
}

QCoro::Task<> AuthViewModel::refreshCurrentUser()
{
    return confirmSession(QStringLiteral("[Auth] Could not refresh the current user, keeping the session: "),
                          QStringLiteral("[Auth] Session no longer valid, logging out: "));
}

void AuthViewModel::setSession(const std::optional<User>& user)
{
    const bool authenticated = user.has_value();
    // Compare whole records: a re-read user may carry a new name or avatar.
    const bool userChanged = m_user.has_value() != user.has_value()
        || (user && (json::encode(*user) != json::encode(*m_user)));
    const bool flagChanged = m_isAuthenticated != authenticated;
    m_user = user;
    m_isAuthenticated = authenticated;
    if (userChanged)
        Q_EMIT this->userChanged();
    if (flagChanged)
        Q_EMIT isAuthenticatedChanged();
}

void AuthViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void AuthViewModel::setError(const std::optional<QString>& error)
{
    m_errorKey.reset();
    if (m_error == error)
        return;
    m_error = error;
    Q_EMIT errorChanged();
}

void AuthViewModel::setLocalizedError(const QString& key)
{
    setError(LocalizationManager::shared().localizedString(key));
    m_errorKey = key;
}

#define MORVANE_FORM_SETTER(Name, field, signal) \
    void AuthViewModel::Name(const QString& value)  \
    {                                               \
        if (field == value)                         \
            return;                                 \
        field = value;                              \
        Q_EMIT signal();                            \
    }

MORVANE_FORM_SETTER(setUsername, m_username, usernameChanged)
MORVANE_FORM_SETTER(setPassword, m_password, passwordChanged)
MORVANE_FORM_SETTER(setNickname, m_nickname, nicknameChanged)
MORVANE_FORM_SETTER(setEmail, m_email, emailChanged)
MORVANE_FORM_SETTER(setInviteCode, m_inviteCode, inviteCodeChanged)
MORVANE_FORM_SETTER(setCode, m_code, codeChanged)

#undef MORVANE_FORM_SETTER

void AuthViewModel::setIsLoginMode(bool value)
{
    if (m_isLoginMode == value)
        return;
    m_isLoginMode = value;
    Q_EMIT isLoginModeChanged();
    // Registration has no second factor, and signing in again starts with the password.
    setIsCodeRequired(false);
}

void AuthViewModel::setIsCodeRequired(bool required)
{
    if (m_isCodeRequired == required)
        return;
    m_isCodeRequired = required;
    Q_EMIT isCodeRequiredChanged();
}
