#include "state/account/ProfileViewModel.h"

#include "network/APIError.h"
#include "network/AuthService.h"
#include "state/common/ErrorDescription.h"

#include <QPointer>

ProfileViewModel::ProfileViewModel(AuthService& authService, QObject* parent)
    : QObject(parent)
    , m_auth(authService)
{
}

void ProfileViewModel::clearError()
{
    if (!m_error)
        return;
    m_error.reset();
    Q_EMIT errorChanged();
}

QCoro::Task<> ProfileViewModel::loadSessions()
{
    QPointer<ProfileViewModel> self(this);
    QList<LoginSession> sessions;
    try {
        sessions = co_await m_auth.listSessions();
    } catch (const std::exception&) {
    }
    if (!self)
        co_return;
    m_sessions = sessions;
    Q_EMIT sessionsChanged();
}

QCoro::Task<> ProfileViewModel::revokeSession(LoginSession session)
{
    if (m_revoking.contains(session.id))
        co_return;
    QPointer<ProfileViewModel> self(this);
    m_revoking.insert(session.id);
    Q_EMIT revokingChanged();
    std::optional<QString> failure;
    try {
        co_await m_auth.revokeSession(session.id);
    } catch (const std::exception& error) {
        if (!APIError::isNotFound(error))
            failure = errorDescription(error);
    }
    if (!self)
        co_return;
    m_revoking.remove(session.id);
    Q_EMIT revokingChanged();
    if (failure) {
        m_error = ScreenError { QStringLiteral("profile.revoke_failed"), QString(), *failure };
        Q_EMIT errorChanged();
        co_return;
    }
    if (m_sessions.removeIf([&](const LoginSession& entry) { return entry.id == session.id; }) > 0)
        Q_EMIT sessionsChanged();
}

QString ProfileViewModel::platformIcon(const std::optional<QString>& platform)
{
    const QString name = platform.value_or(QString()).toLower();
    if (name == u"ios")
        return QStringLiteral("iphone");
    if (name == u"mac" || name == u"macos")
        return QStringLiteral("laptopcomputer");
    if (name == u"android")
        return QStringLiteral("phone");
    if (name == u"web")
        return QStringLiteral("globe");
    return QStringLiteral("desktopcomputer");
}

std::optional<QString> ProfileViewModel::title(const LoginSession& session)
{
    return session.deviceName ? session.deviceName : session.platform;
}
