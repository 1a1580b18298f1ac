#include "network/APIClient.h"

#include "network/AuthService.h"
#include "network/ErrorResponse.h"
#include "network/KeychainService.h"
#include "network/NetworkConfig.h"
#include "network/RequestLanguage.h"
#include "network/TokenRenewal.h"
#include "network/UploadRecords.h"

#include <QCoroNetwork>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QDateTime>
#include <QDebug>
#include <QPointer>
#include <QScopeGuard>
#include <QUrl>

namespace {

const QString authTokenKey = QStringLiteral("auth_token");

} // namespace

APIClient& APIClient::shared()
{
    static APIClient* const instance = [] {
        auto* client = new APIClient(NetworkConfig::apiBaseUrl(), KeychainService::shared());
        client->setTokenRefresher([] { return AuthService::shared().refreshToken(); });
        return client;
    }();
    return *instance;
}

APIClient::APIClient(QString baseURL, KeychainService& keychain, QObject* parent)
    : QObject(parent)
    , m_baseURL(std::move(baseURL))
    , m_keychain(keychain)
    , m_network(new QNetworkAccessManager(this))
    , m_renewal(std::make_unique<TokenRenewal>(
          WebSocketClock::system(), [] { return QDateTime::currentMSecsSinceEpoch(); }, [this] { renewSession(); }))
{
}

APIClient::~APIClient()
{
    // Calls waiting for a refresh that can no longer finish end as cancelled.
    if (const std::shared_ptr<RefreshRound> round = std::exchange(m_refresh, nullptr))
        round->finish(RefreshOutcome::Cancelled);
    // So do calls whose reply is still out: a reply deleted unfinished would leave
    // them suspended for good.
    const QList<QNetworkReply*> pending = m_network->findChildren<QNetworkReply*>();
    for (QNetworkReply* reply : pending)
        reply->abort();
}

std::optional<QByteArray> APIClient::encodeBody(const std::optional<QJsonValue>& body)
{
    if (!body)
        return std::nullopt;
    return json::serialize(*body);
}

QCoro::Task<QByteArray> APIClient::send(Request request)
{
    // The path is appended as text; a base or path that does not make an http(s)
    // address is refused here (the network manager would also open file: URLs).
    QUrl url(m_baseURL + request.path, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        throw APIError::invalidURL();
    if (request.queryItems) {
        // Every value is percent-encoded here, "+" and "%" included, so a query
        // decoder on the server gets the exact text back.
        QByteArray query;
        for (const auto& [name, value] : std::as_const(*request.queryItems)) {
            if (!query.isEmpty())
                query += '&';
            query += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
        }
        url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
        if (!url.isValid())
            throw APIError::invalidURL();
    }

    QNetworkRequest netRequest(url);
    netRequest.setTransferTimeout(m_requestTimeoutMs);
    // A redirect would carry the bearer token to wherever it points.
    netRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    netRequest.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    if (const QByteArray language = RequestLanguage::tag(); !language.isEmpty())
        netRequest.setRawHeader(RequestLanguage::headerName, language);
    const SecretStore::Loaded token = m_keychain.loadEntry(authTokenKey);
    // Sent without its token, the request would come back 401 and end a session
    // that is only locked away.
    if (token.status == SecretStore::Status::Failed)
        throw APIError::keychainUnavailable();
    if (token.status == SecretStore::Status::Found) {
        if (const std::optional<QString> text = KeychainService::utf8Text(token.data))
            netRequest.setRawHeader(QByteArrayLiteral("Authorization"), QByteArrayLiteral("Bearer ") + text->toUtf8());
    }

    QNetworkReply* reply = nullptr;
    if (request.body)
        reply = m_network->sendCustomRequest(netRequest, request.method, *request.body);
    else if (request.method == "GET")
        reply = m_network->get(netRequest);
    else
        reply = m_network->sendCustomRequest(netRequest, request.method, QByteArray());

    QPointer<APIClient> self(this);
    QPointer<QNetworkReply> guard(reply);
    const auto cleanup = qScopeGuard([guard] {
        if (guard)
            guard->deleteLater();
    });
    co_await reply;
    if (!self || !guard)
        throw APIError::cancelled();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        // Nothing else aborts a reply here, so a cancellation is the transfer
        // timeout running out, which Qt reports as "Operation canceled".
        if (reply->error() == QNetworkReply::OperationCanceledError)
            throw APIError::transport(QNetworkReply::TimeoutError, QStringLiteral("Request timed out"));
        if (reply->error() != QNetworkReply::NoError)
            throw APIError::transport(reply->error(), reply->errorString());
        throw APIError::invalidResponse();
    }
    const int statusCode = status.toInt();
    const QByteArray body = reply->readAll();
    if (statusCode == 401) {
        const ErrorResponse refusal = ErrorResponse::fromBody(body);
        throw APIError::unauthorized(refusal.error, refusal.mfaRequired);
    }
    if (statusCode < 200 || statusCode > 299)
        throw APIError::httpError(statusCode, ErrorResponse::fromBody(body).error);
    co_return body;
}

void APIClient::RefreshRound::finish(RefreshOutcome result)
{
    if (outcome)
        return;
    outcome = result;
    const std::vector<std::coroutine_handle<>> waiting = std::exchange(waiters, {});
    for (const std::coroutine_handle<> waiter : waiting)
        waiter.resume();
}

void APIClient::startSession()
{
    ++m_session;
    // Calls of the old session waiting for its refresh end now; the refresh itself
    // finds its round over when it returns, and decides nothing.
    if (const std::shared_ptr<RefreshRound> round = std::exchange(m_refresh, nullptr))
        round->finish(RefreshOutcome::Cancelled);
}

QCoro::Task<QByteArray> APIClient::sendGuarded(Request request)
{
    QPointer<APIClient> self(this);
    const quint64 session = m_session;
    // A call of a session that has ended fails as cancelled, whatever it met: its
    // refusal is no verdict on the session held now, and refreshing for it would
    // spend that session's refresh token, or end it.
    const auto sessionEnded = [&] { return !self || session != m_session; };
    const quint64 sentWith = m_tokenGeneration;
    try {
        co_return co_await send(request);
    } catch (const APIError& error) {
        if (sessionEnded())
            throw APIError::cancelled();
        if (error.kind() == APIError::Kind::HttpError && error.code() == 403)
            Q_EMIT requestForbidden();
        if (error.kind() != APIError::Kind::Unauthorized)
            throw;
    }

    if (sentWith == m_tokenGeneration) {
        // Two calls refused together (the start-up check and the user refresh) must
        // not both refresh, nor may the second give up: either would end a session
        // that one refresh keeps.
        const RefreshOutcome outcome = co_await joinRefresh();
        if (outcome == RefreshOutcome::Cancelled || !self)
            throw APIError::cancelled();
        // An unreadable keychain is no verdict on the session.
        if (outcome == RefreshOutcome::KeychainUnavailable)
            throw APIError::keychainUnavailable();
        // The refresh never reached a verdict: the call failed, the session stands.
        if (outcome == RefreshOutcome::Unreachable)
            throw APIError::transport(QNetworkReply::UnknownNetworkError, QStringLiteral("Token refresh failed"));
        if (outcome == RefreshOutcome::Refused)
            throw APIError::unauthorized();
    }

    // Only a second 401 means "signed out"; any other failure of the repeat is
    // reported as itself.
    try {
        co_return co_await send(std::move(request));
    } catch (const APIError&) {
        if (sessionEnded())
            throw APIError::cancelled();
        throw;
    }
}

QCoro::Task<APIClient::RefreshOutcome> APIClient::joinRefresh()
{
    if (m_refresh) {
        // A named awaiter: g++ 12 destroys a braced temporary awaiter twice, which
        // drops the round one reference too many.
        RefreshWait wait { m_refresh };
        co_return co_await wait;
    }
    co_return co_await refreshSession();
}

QCoro::Task<SessionRenewal> APIClient::renewSession()
{
    const RefreshOutcome outcome = co_await joinRefresh();
    switch (outcome) {
    case RefreshOutcome::Refreshed:
        co_return SessionRenewal::Renewed;
    case RefreshOutcome::Refused:
        co_return SessionRenewal::Refused;
    default:
        co_return SessionRenewal::Unreachable;
    }
}

void APIClient::scheduleRenewal(const QString& accessToken, std::optional<qint64> expiresInSeconds)
{
    m_renewal->tokenIssued(accessToken, expiresInSeconds);
}

void APIClient::cancelRenewal()
{
    m_renewal->cancel();
}

namespace {

// Only the server's answer to the refresh is a verdict on the session; a refresh
// that never got one (no connection, a failing server) says nothing about it.
std::optional<SessionEnd> verdictOf(const APIError& error)
{
    switch (error.kind()) {
    case APIError::Kind::Unauthorized:
        // The refresh token was refused, or there was none to spend.
        return SessionEnd::Expired;
    case APIError::Kind::ServerError:
        return SessionEnd::SignedOutElsewhere;
    case APIError::Kind::HttpError:
        return error.code() == 403 ? std::optional(SessionEnd::Suspended) : std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

QCoro::Task<APIClient::RefreshOutcome> APIClient::refreshSession()
{
    const auto round = std::make_shared<RefreshRound>();
    m_refresh = round;
    QPointer<APIClient> self(this);
    // Ends the round however this refresh ends, also when its task is dropped while
    // suspended, so that no waiter and no isRefreshing() is left hanging.
    RefreshOutcome outcome = RefreshOutcome::Cancelled;
    const auto finish = qScopeGuard([self, round, &outcome] {
        if (self && self->m_refresh == round)
            self->m_refresh.reset();
        round->finish(outcome);
    });

    outcome = RefreshOutcome::Refused;
    SessionEnd ending = SessionEnd::Expired;
    QString noAnswer;
    if (m_refresher) {
        try {
            co_await m_refresher();
            outcome = RefreshOutcome::Refreshed;
        } catch (const APIError& error) {
            if (error.kind() == APIError::Kind::KeychainUnavailable) {
                outcome = RefreshOutcome::KeychainUnavailable;
            } else if (const std::optional<SessionEnd> verdict = verdictOf(error)) {
                ending = *verdict;
            } else {
                noAnswer = error.description();
                outcome = RefreshOutcome::Unreachable;
            }
        } catch (...) {
        }
    }
    // Ended by the client's destruction or by the end of the session that asked: the
    // answer, whatever it was, says nothing about the session held now.
    if (!self || round->outcome) {
        outcome = RefreshOutcome::Cancelled;
        co_return outcome;
    }
    if (outcome == RefreshOutcome::Unreachable)
        qInfo().noquote() << "[Auth] token refresh got no answer, keeping the session:" << noAnswer;
    if (outcome == RefreshOutcome::Refreshed) {
        ++m_tokenGeneration;
        if (const std::optional<User> user = m_keychain.getCachedUser())
            Q_EMIT sessionRefreshed(user->id);
    } else if (outcome == RefreshOutcome::Refused) {
        m_renewal->cancel();
        Q_EMIT sessionEnded(ending);
    }
    co_return outcome;
}

QCoro::Task<APIClient::ProcedureReply> APIClient::callProcedure(QByteArray method, QString procedure, std::optional<QJsonValue> input,
                                                                bool emptyIsSuccess)
{
    Request call { std::move(method), QStringLiteral("/api/trpc/") + procedure, std::nullopt, std::nullopt };
    if (input) {
        QJsonObject wrapper;
        wrapper.insert(QLatin1StringView("json"), *input);
        if (call.method == "GET")
            call.queryItems = QueryItems { { QStringLiteral("input"), QString::fromUtf8(json::serialize(wrapper)) } };
        else
            call.body = json::serialize(wrapper);
    }
    const QByteArray body = co_await sendGuarded(std::move(call));
    if (emptyIsSuccess && body.trimmed().isEmpty())
        co_return ProcedureReply { QJsonValue(QJsonValue::Null), false };
    co_return unwrapProcedureReply(body);
}

APIClient::ProcedureReply APIClient::unwrapProcedureReply(const QByteArray& body)
{
    try {
        const QJsonValue root = parseBody(body);
        const json::Path rootPath;
        const json::Reader envelope(root, rootPath);
        const QJsonObject result = envelope.required<QJsonObject>(QLatin1StringView("result"));
        const json::Path resultPath = rootPath.child(QLatin1StringView("result"));
        if (!result.contains(QLatin1StringView("data")))
            resultPath.child(QLatin1StringView("data")).fail(json::DecodeError::Kind::KeyNotFound, QStringLiteral("required key is missing"));
        const QJsonValue data = result.value(QLatin1StringView("data"));
        // When "json" is there, it alone is the value: reading "data" itself as the
        // record after "json" failed would let a wrong reply pass as success.
        if (data.isObject() && data.toObject().contains(QLatin1StringView("json")))
            return { data.toObject().value(QLatin1StringView("json")), true };
        return { data, false };
    } catch (const json::DecodeError& error) {
        throw APIError::decodingError(error.description());
    }
}

QJsonValue APIClient::parseBody(const QByteArray& body)
{
    QJsonValue value;
    try {
        value = json::parse(body);
    } catch (const json::DecodeError& error) {
        throw APIError::decodingError(error.description());
    }
    // An empty body parses to "no value" rather than failing; it is still not JSON.
    if (value.isUndefined())
        throw APIError::decodingError(QStringLiteral("the reply body is empty"));
    return value;
}

QCoro::Task<QString> APIClient::uploadFile(QByteArray data, QString fileName, QString contentType)
{
    QPointer<APIClient> self(this);
    const PresignedInput announce { std::move(fileName), contentType, data.size() };
    const PresignedResponse presigned = co_await mutation<PresignedResponse>(QStringLiteral("upload.getPresignedUrl"), announce);
    if (!self)
        throw APIError::cancelled();

    const CompleteInput complete { presigned.fileKey, QString::fromLatin1(data.toBase64()), std::move(contentType) };
    const CompleteResponse stored = co_await mutation<CompleteResponse>(QStringLiteral("upload.complete"), complete);
    if (!self)
        throw APIError::cancelled();

    if (stored.url.startsWith(u'/'))
        co_return m_baseURL + stored.url;
    co_return stored.url;
}
