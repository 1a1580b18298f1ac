#include "http/AuthRoutes.h"

#include "http/PendingReply.h"
#include "http/ServerError.h"
#include "OffThread.h"
#include "Passwords.h"
#include "live/LiveHub.h"
#include "store/Accounts.h"
#include "store/TwoFactor.h"

#include "models/Json.h"

#include <QJsonObject>

namespace {

json::Reader bodyReader(const HttpRequest& request)
{
    const QJsonValue body = json::parse(request.body);
    if (!body.isObject())
        throw ServerError::badRequest(Text::BodyNotObject);
    return json::Reader(body, json::Path {});
}

void requireMethod(const HttpRequest& request, const QString& method)
{
    if (request.method != method)
        throw ServerError(ServerError::Kind::MethodNotAllowed, Phrase::of(Text::UseMethod, method));
}

} // namespace

AuthRoutes::AuthRoutes(Accounts& accounts, TwoFactor& twoFactor, LiveHub& hub, int registrationBurst)
    : m_accounts(accounts)
    , m_twoFactor(twoFactor)
    , m_hub(hub)
    , m_registrations(registrationBurst)
{
    m_registrationDigests.setMaxThreadCount(kRegistrationThreads);
    offthread::startEveryThread(m_registrationDigests);
}

AuthRoutes::~AuthRoutes()
{
    m_registrationDigests.clear();
}

HttpReply AuthRoutes::signedIn(const IssuedTokens& issued)
{
    const auto user = m_accounts.userJson(issued.userId, m_hub.isOnline(issued.userId));
    if (!user)
        throw ServerError::unauthorized();
    return HttpReply::json(QJsonObject {
        { QStringLiteral("app_session_id"), issued.accessToken },
        { QStringLiteral("refresh_token"), issued.refreshToken },
        { QStringLiteral("expiresIn"), issued.expiresIn },
        { QStringLiteral("user"), *user },
    });
}

// A right password for an account with two-factor on, without a right code: the
// client asks for the code and signs in again with it. No tokens.
HttpReply codeRequired(const Phrase& why, Language language)
{
    return HttpReply::json(QJsonObject { { QStringLiteral("error"), why.in(language) }, { QStringLiteral("mfaRequired"), true } }, 401);
}

// The answer of work that finishes on the event loop after a password digest.
template <typename Work>
HttpReply answer(Language language, Work work)
{
    try {
        return work();
    } catch (const ServerError& error) {
        return HttpReply::restError(error, language);
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Auth] Sign-in failed:" << error.what();
        return HttpReply::internalError(false, language);
    }
}

HttpReply AuthRoutes::registerUser(const HttpRequest& request)
{
    const json::Reader body = bodyReader(request);
    Registration registration;
    registration.username = body.required<QString>(QLatin1StringView("username"));
    registration.password = body.required<QString>(QLatin1StringView("password"));
    registration.nickname = body.optional<QString>(QLatin1StringView("nickname"));
    registration.email = body.optional<QString>(QLatin1StringView("email"));
    registration.inviteCode = body.optional<QString>(QLatin1StringView("inviteCode"));
    // No account has a longer name or password: refused before anything is counted.
    Accounts::requireSignInLimits(registration.username, registration.password);
    if (!m_registrations.begin(request.clientAddress))
        throw ServerError::tooManyRequests(Text::TooManyRegistrations);
    const ValidRegistration valid = m_accounts.validateRegistration(registration);
    auto pending = std::make_shared<PendingReply>();
    offthread::run<passwords::Digest>(&m_registrationDigests, &m_alive, [password = valid.password] { return passwords::make(password); },
        [this, pending, valid, address = request.clientAddress, language = request.language](passwords::Digest digest) {
            pending->finish(answer(language, [&] {
                const IssuedTokens issued = m_accounts.registerUser(valid, digest, address);
                qInfo().noquote() << "[Auth] Registered user" << issued.userId;
                return signedIn(issued);
            }));
        });
    return HttpReply::later(pending);
}

HttpReply AuthRoutes::login(const HttpRequest& request)
{
    const json::Reader body = bodyReader(request);
    const QString username = body.required<QString>(QLatin1StringView("username"));
    const QString password = body.required<QString>(QLatin1StringView("password"));
    const QString code = body.optional<QString>(QLatin1StringView("code")).value_or(QString()).trimmed();
    const QString address = request.clientAddress;
    // No account has a longer name or password: refused before anything is counted or kept.
    Accounts::requireSignInLimits(username, password);
    if (!m_throttle.begin(username, address))
        throw ServerError::tooManyRequests(Text::TooManySignIns);
    const std::optional<SignInRecord> record = m_accounts.signInRecord(username);
    auto pending = std::make_shared<PendingReply>();
    offthread::run<bool>(&m_alive,
        [password, record] {
            if (record)
                return passwords::verify(password, record->digest);
            // The same effort as a real check, so timing does not reveal which names exist.
            passwords::make(password);
            return false;
        },
        [this, pending, record, username, code, address, language = request.language](bool matched) {
            pending->finish(answer(language, [&] {
                if (!matched)
                    throw ServerError::badRequest(Text::WrongPassword);
                if (m_twoFactor.isOn(record->userId)) {
                    // Asking for the code is no failed guess; a wrong code is one, so its
                    // attempt stays counted.
                    if (code.isEmpty()) {
                        m_throttle.succeeded(username, address);
                        return codeRequired(Phrase(Text::CodeRequired), language);
                    }
                    try {
                        m_twoFactor.checkSignInCode(record->userId, code);
                    } catch (const ServerError& wrong) {
                        return codeRequired(wrong.phrase(), language);
                    }
                }
                m_throttle.succeeded(username, address);
                return signedIn(m_accounts.completeSignIn(record->userId, address));
            }));
        });
    return HttpReply::later(pending);
}

HttpReply AuthRoutes::handle(const HttpRequest& request, const QString& action)
{
    if (action == u"register") {
        requireMethod(request, QStringLiteral("POST"));
        return registerUser(request);
    }
    if (action == u"login") {
        requireMethod(request, QStringLiteral("POST"));
        return login(request);
    }
    if (action == u"refresh") {
        requireMethod(request, QStringLiteral("POST"));
        // The access token may well have expired: only the refresh token counts here.
        const json::Reader body = bodyReader(request);
        std::optional<qint64> ended;
        try {
            const IssuedTokens issued = m_accounts.refresh(body.required<QString>(QLatin1StringView("refreshToken")), &ended);
            return HttpReply::json(QJsonObject {
                { QStringLiteral("app_session_id"), issued.accessToken },
                { QStringLiteral("refresh_token"), issued.refreshToken },
                { QStringLiteral("expiresIn"), issued.expiresIn },
            });
        } catch (const ServerError&) {
            if (ended)
                m_hub.closeSession(*ended);
            throw;
        }
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
    throw ServerError::notFound(Text::NotFound);
}
