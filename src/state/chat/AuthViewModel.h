#pragma once

#include "models/AuthResponse.h"
#include "models/User.h"
#include "network/SessionRenewal.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

class APIClient;
class AuthService;
class KeychainService;
class WebSocketService;

// Who is signed in, and the login and registration form. A cached session counts
// as signed in at once and is checked against the server in the background.
// Tokens and the cached user are written and deleted by AuthService only.
// A session the server ends (its refresh refused) signs out as the user's own
// sign-out does, and the login screen says why; every time the live channel is
// accepted, and whenever the server refuses a call with 403, the account is read
// again, so a changed role shows without signing in. An answer for a session that
// has ended (signed out, or in as someone else) changes nothing.
class AuthViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isAuthenticated READ isAuthenticated NOTIFY isAuthenticatedChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(QString username READ username WRITE setUsername NOTIFY usernameChanged)
    Q_PROPERTY(QString password READ password WRITE setPassword NOTIFY passwordChanged)
    Q_PROPERTY(QString nickname READ nickname WRITE setNickname NOTIFY nicknameChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(QString inviteCode READ inviteCode WRITE setInviteCode NOTIFY inviteCodeChanged)
    Q_PROPERTY(bool isLoginMode READ isLoginMode WRITE setIsLoginMode NOTIFY isLoginModeChanged)
    Q_PROPERTY(QString code READ code WRITE setCode NOTIFY codeChanged)
    Q_PROPERTY(bool isCodeRequired READ isCodeRequired NOTIFY isCodeRequiredChanged)

public:
    struct Dependencies {
        AuthService* authService;
        KeychainService* keychain;
        WebSocketService* wsService;
        APIClient* api;
    };
    static Dependencies sharedDependencies();

    // Restores a cached session before returning; its server check starts from
    // the event loop, so observers connected right after construction see it.
    explicit AuthViewModel(QObject* parent = nullptr);
    explicit AuthViewModel(Dependencies dependencies, QObject* parent = nullptr);

    std::optional<User> user() const { return m_user; }
    bool isAuthenticated() const { return m_isAuthenticated; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    QString username() const { return m_username; }
    QString password() const { return m_password; }
    QString nickname() const { return m_nickname; }
    QString email() const { return m_email; }
    QString inviteCode() const { return m_inviteCode; }
    bool isLoginMode() const { return m_isLoginMode; }
    // The second factor of an account that has it on. The form asks for it once the
    // server refused the password alone, and sends it with every sign-in from then
    // until one succeeds or the mode changes.
    QString code() const { return m_code; }
    bool isCodeRequired() const { return m_isCodeRequired; }

    void setUsername(const QString& value);
    void setPassword(const QString& value);
    void setNickname(const QString& value);
    void setEmail(const QString& value);
    void setInviteCode(const QString& value);
    void setIsLoginMode(bool value);
    void setCode(const QString& value);
    // The login screen's mode link drops a shown error along with the mode.
    void clearError() { setError(std::nullopt); }

    // None of these throws; failures end in error() or in the log.
    QCoro::Task<> login();
    QCoro::Task<> registerAccount();
    QCoro::Task<> logout();
    QCoro::Task<> refreshCurrentUser();

Q_SIGNALS:
    // userChanged also covers a change of the user's id.
    void userChanged();
    void isAuthenticatedChanged();
    void isLoadingChanged();
    void errorChanged();
    void usernameChanged();
    void passwordChanged();
    void nicknameChanged();
    void emailChanged();
    void inviteCodeChanged();
    void isLoginModeChanged();
    void codeChanged();
    void isCodeRequiredChanged();

private:
    void restoreSession();
    // The server ended the session: signed out here too, with the reason on the login screen.
    void endSession(SessionEnd reason);
    QCoro::Task<> checkRestoredSession();
    QCoro::Task<> confirmSession(QString keepingLine, QString endingLine);
    // The form's own checks; a failed one is shown in error() and nothing is sent.
    bool formIsValid(bool registering);
    // Shows progress while request runs; true when it signed the user in (the
    // object is then alive and still loading), false when it failed or the
    // object went away.
    // fallbackKey: the string-table text shown when the failure has no words of its own.
    QCoro::Task<bool> signIn(QCoro::Task<AuthResponse> request, QString fallbackKey);
    // Signed in with user, or signed out when absent: the two fields change together.
    void setSession(const std::optional<User>& user);
    void setIsLoading(bool loading);
    void setError(const std::optional<QString>& error);
    // An error of our own wording, kept as its key so that it follows a language switch.
    void setLocalizedError(const QString& key);
    void setIsCodeRequired(bool required);

    Dependencies m_deps;
    std::optional<User> m_user;
    bool m_isAuthenticated = false;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    std::optional<QString> m_errorKey;
    QString m_username;
    QString m_password;
    QString m_nickname;
    QString m_email;
    QString m_inviteCode;
    bool m_isLoginMode = true;
    QString m_code;
    bool m_isCodeRequired = false;
    // Account reads under way.
    int m_rereads = 0;
};
