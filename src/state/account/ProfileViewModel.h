#pragma once

#include "network/LoginSession.h"
#include "state/common/ScreenError.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>

#include <optional>

class AuthService;

// The profile page's sign-in sessions. A session leaves the list only once the
// server confirmed its revocation, or said it no longer knows the session (ended
// elsewhere, or by an earlier press): a person must never believe a session ended
// when it did not.
class ProfileViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<LoginSession> sessions READ sessions NOTIFY sessionsChanged)

public:
    explicit ProfileViewModel(AuthService& authService, QObject* parent = nullptr);

    QList<LoginSession> sessions() const { return m_sessions; }
    std::optional<ScreenError> error() const { return m_error; }
    void clearError();

    // "user.listSessions" in server order; any failure leaves the list empty, silently.
    QCoro::Task<> loadSessions();
    // Never throws: on success every entry with session.id goes; a failure keeps
    // the entry and is reported in error().
    QCoro::Task<> revokeSession(LoginSession session);
    // The session's revocation is under way: its button waits.
    bool isRevoking(qint64 sessionId) const { return m_revoking.contains(sessionId); }

    // The symbol of a platform, matched whole and case-blind.
    static QString platformIcon(const std::optional<QString>& platform);
    // deviceName, else platform; none when both are absent (the screen then says
    // "unknown device"). An empty name is a name.
    static std::optional<QString> title(const LoginSession& session);
    // Only an explicit true marks this machine's session.
    static bool isCurrent(const LoginSession& session) { return session.isCurrent.value_or(false); }

Q_SIGNALS:
    void sessionsChanged();
    void errorChanged();
    void revokingChanged();

private:
    AuthService& m_auth;
    QList<LoginSession> m_sessions;
    std::optional<ScreenError> m_error;
    QSet<qint64> m_revoking;
};
