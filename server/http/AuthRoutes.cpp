#include "http/AuthRoutes.h"

#include "http/ServerError.h"
#include "live/LiveHub.h"
#include "store/Accounts.h"

#include "models/Json.h"

#include <QJsonObject>

namespace {

json::Reader bodyReader(const HttpRequest& request)
{
    const QJsonValue body = json::parse(request.body);
    if (!body.isObject())
        throw ServerError::badRequest(QStringLiteral("The request body must be a JSON object"));
    return json::Reader(body, json::Path {});
}

void requireMethod(const HttpRequest& request, const QString& method)
{
    if (request.method != method)
        throw ServerError(ServerError::Kind::MethodNotAllowed, QStringLiteral("Use %1 for this address").arg(method));
}

} // namespace

AuthRoutes::AuthRoutes(Accounts& accounts, LiveHub& hub)
    : m_accounts(accounts)
    , m_hub(hub)
{
}

HttpReply AuthRoutes::signedIn(const IssuedTokens& issued)
{
    const auto user = m_accounts.userJson(issued.userId, m_hub.isOnline(issued.userId));
    if (!user)
        throw ServerError::unauthorized();
    return HttpReply::json(QJsonObject {
        { QStringLiteral("app_session_id"), issued.accessToken },
        { QStringLiteral("refresh_token"), issued.refreshToken },
        { QStringLiteral("user"), *user },
    });
}

HttpReply AuthRoutes::handle(const HttpRequest& request, const QString& action)
{
    if (action == u"register") {
        requireMethod(request, QStringLiteral("POST"));
        const json::Reader body = bodyReader(request);
        Registration registration;
        registration.username = body.required<QString>(QLatin1StringView("username"));
        registration.password = body.required<QString>(QLatin1StringView("password"));
        registration.nickname = body.optional<QString>(QLatin1StringView("nickname"));
        registration.email = body.optional<QString>(QLatin1StringView("email"));
        registration.inviteCode = body.optional<QString>(QLatin1StringView("inviteCode"));
        const IssuedTokens issued = m_accounts.registerUser(registration, request.clientAddress);
        qInfo().noquote() << "[Auth] Registered user" << issued.userId;
        return signedIn(issued);
    }
    if (action == u"login") {
        requireMethod(request, QStringLiteral("POST"));
        const json::Reader body = bodyReader(request);
        const QString username = body.required<QString>(QLatin1StringView("username"));
        const QString password = body.required<QString>(QLatin1StringView("password"));
        return signedIn(m_accounts.login(username, password, request.clientAddress));
    }
    if (action == u"refresh") {
        requireMethod(request, QStringLiteral("POST"));
        // The access token may well have expired: only the refresh token counts here.
        const json::Reader body = bodyReader(request);
        const IssuedTokens issued = m_accounts.refresh(body.required<QString>(QLatin1StringView("refreshToken")));
        return HttpReply::json(QJsonObject {
            { QStringLiteral("app_session_id"), issued.accessToken },
            { QStringLiteral("refresh_token"), issued.refreshToken },
        });
    }
    if (action == u"me") {
        requireMethod(request, QStringLiteral("GET"));
        const auto session = m_accounts.authenticate(request.bearerToken);
        if (!session)
            throw ServerError::unauthorized();
        const auto user = m_accounts.userJson(session->userId, m_hub.isOnline(session->userId));
        if (!user)
            throw ServerError::unauthorized();
        return HttpReply::json(QJsonObject { { QStringLiteral("user"), *user } });
    }
    if (action == u"logout") {
        requireMethod(request, QStringLiteral("POST"));
        const auto session = m_accounts.authenticate(request.bearerToken);
        if (!session || !m_accounts.logout(request.bearerToken))
            throw ServerError::unauthorized();
        m_hub.closeSession(session->sessionId);
        return HttpReply::json(QJsonObject { { QStringLiteral("success"), true } });
    }
    throw ServerError::notFound(QStringLiteral("Not found"));
}
