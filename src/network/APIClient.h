#pragma once

#include "models/Json.h"
#include "network/APIError.h"
#include "network/EmptyResponse.h"
#include "network/SessionRenewal.h"

#include <QCoroTask>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QString>

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

class KeychainService;
class QNetworkAccessManager;
class TokenRenewal;

namespace apiclient_detail {

template <typename T>
struct ResultCodec {
    static T read(const QJsonValue& value, const json::Path& path) { return json::decode<T>(value, path); }
};

// An optional result: null stands for "absent".
template <typename T>
struct ResultCodec<std::optional<T>> {
    static std::optional<T> read(const QJsonValue& value, const json::Path& path)
    {
        if (value.isNull())
            return std::nullopt;
        return json::decode<T>(value, path);
    }
};

// Procedure inputs only need to write themselves; a full json::Codec is accepted too.
template <typename I>
QJsonValue encodeInput(const I& input)
{
    if constexpr (requires(json::Writer& writer) { input.write(writer); }) {
        json::Writer writer;
        input.write(writer);
        return writer.take();
    } else {
        return json::encode(input);
    }
}

template <typename T>
T decodeOrThrow(const QJsonValue& value, const json::Path& path)
{
    try {
        return ResultCodec<T>::read(value, path);
    } catch (const json::DecodeError& error) {
        throw APIError::decodingError(error.description());
    }
}

} // namespace apiclient_detail

// The program's only HTTP client: one request pipeline to the configured server
// (bearer token from the keychain on every request, status judgement, decoding
// into the caller's record), the procedure calls on top of it, and the
// refresh-and-retry rule after HTTP 401. Every operation is a coroutine that
// throws APIError.
//
// Refresh-and-retry, shared by every guarded call (procedures, the auth service's
// calls, the administration console's REST calls through guardedRequest()): a call
// refused with 401 makes the one token refresh, or waits for the refresh already
// under way, and then repeats itself once. Only a 401 of that repeat is
// `unauthorized`; any other failure of the repeat is reported as itself. A call
// whose 401 answers a token that a refresh has replaced meanwhile repeats at once.
//
// The same single refresh serves the live channel when the server refuses its token
// and the renewal shortly before the token lapses. A refresh the server refuses ends
// the session (sessionEnded); one that cannot reach the server keeps it.
class APIClient final : public QObject {
    Q_OBJECT

public:
    using QueryItems = QList<std::pair<QString, QString>>;
    // Buys a new access token; throws when it cannot.
    using TokenRefresher = std::function<QCoro::Task<QString>()>;

    static constexpr int requestTimeoutMs = 60000;

    // Talks to NetworkConfig::apiBaseUrl() and refreshes through AuthService::shared().
    static APIClient& shared();

    APIClient(QString baseURL, KeychainService& keychain, QObject* parent = nullptr);
    ~APIClient() override;

    QString baseURL() const { return m_baseURL; }
    // True while a token refresh is under way; guarded calls refused meanwhile wait for it.
    bool isRefreshing() const { return m_refresh != nullptr; }
    void setTokenRefresher(TokenRefresher refresher) { m_refresher = std::move(refresher); }
    // How long a request may go without progress before it fails as timed out.
    void setRequestTimeout(int milliseconds) { m_requestTimeoutMs = milliseconds; }

    // Which sign-in the stored tokens belong to. Each sign-in and each sign-out starts
    // a new session, and an answer to a call of an earlier one must change nothing:
    // such a guarded call that fails (a 401 is not refreshed) fails as cancelled, the
    // refresh under way is left to no one, and a caller that stores what it got
    // compares session() before and after.
    quint64 session() const { return m_session; }
    void startSession();

    // The one token refresh, or the one already under way.
    QCoro::Task<SessionRenewal> renewSession();
    // A new access token was stored: its renewal is scheduled shortly before it lapses.
    void scheduleRenewal(const QString& accessToken, std::optional<qint64> expiresInSeconds);
    void cancelRenewal();

    // One request with no refresh-and-retry. The path is appended to the base
    // address as text. body is sent as JSON when present.
    template <typename R>
    QCoro::Task<R> request(QByteArray method, QString path, std::optional<QJsonValue> body = std::nullopt,
                           std::optional<QueryItems> queryItems = std::nullopt)
    {
        Request call { std::move(method), std::move(path), encodeBody(body), std::move(queryItems) };
        const QByteArray reply = co_await send(std::move(call));
        co_return decodeReply<R>(reply);
    }

    // The same, under the refresh-and-retry rule: the one to use for REST calls of a
    // signed-in user. With a void result the reply body is not read at all, so an
    // empty 2xx reply is a success too.
    template <typename R>
    QCoro::Task<R> guardedRequest(QByteArray method, QString path, std::optional<QJsonValue> body = std::nullopt,
                                  std::optional<QueryItems> queryItems = std::nullopt)
    {
        Request call { std::move(method), std::move(path), encodeBody(body), std::move(queryItems) };
        const QByteArray reply = co_await sendGuarded(std::move(call));
        if constexpr (std::is_void_v<R>)
            co_return;
        else
            co_return decodeReply<R>(reply);
    }

    // Procedure query: GET /api/trpc/<procedure>?input={"json":<input>}.
    template <typename R, typename I>
    QCoro::Task<R> query(QString procedure, I input)
    {
        std::optional<QJsonValue> encoded = apiclient_detail::encodeInput(input);
        const ProcedureReply reply = co_await callProcedure(QByteArrayLiteral("GET"), std::move(procedure), std::move(encoded));
        co_return decodeProcedure<R>(reply);
    }

    // Procedure query without input: no query part at all.
    template <typename R>
    QCoro::Task<R> query(QString procedure)
    {
        const ProcedureReply reply = co_await callProcedure(QByteArrayLiteral("GET"), std::move(procedure), std::nullopt);
        co_return decodeProcedure<R>(reply);
    }

    // Procedure mutation: POST {"json": <input>}. With the default result type the
    // data is not read: the reply must be a procedure envelope, or empty (a 2xx
    // with no body says the mutation happened as surely as an envelope does).
    template <typename R = EmptyResponse, typename I>
    QCoro::Task<R> mutation(QString procedure, I input)
    {
        std::optional<QJsonValue> encoded = apiclient_detail::encodeInput(input);
        const ProcedureReply reply = co_await callProcedure(QByteArrayLiteral("POST"), std::move(procedure), std::move(encoded),
                                                            std::is_same_v<R, EmptyResponse>);
        co_return decodeProcedure<R>(reply);
    }

    // Procedure mutation without input: a POST without a body.
    template <typename R = EmptyResponse>
    QCoro::Task<R> mutation(QString procedure)
    {
        const ProcedureReply reply = co_await callProcedure(QByteArrayLiteral("POST"), std::move(procedure), std::nullopt,
                                                            std::is_same_v<R, EmptyResponse>);
        co_return decodeProcedure<R>(reply);
    }

    // Puts a file on the server in two procedure calls (announce, then the whole
    // file in Base64) and returns its address; an address beginning with "/" is
    // made absolute against the base address.
    QCoro::Task<QString> uploadFile(QByteArray data, QString fileName, QString contentType);

Q_SIGNALS:
    // After a refresh-and-retry renewed the token while a signed-in user is cached:
    // the realtime channel reconnects for that user on this signal.
    void sessionRefreshed(qint64 userId);
    // The server refused the token refresh: the session is over on the server.
    void sessionEnded(SessionEnd reason);
    // A guarded call of the session held was refused with 403: what the account may do
    // has changed, or never allowed it.
    void requestForbidden();

private:
    enum class RefreshOutcome { Refreshed, Refused, Unreachable, KeychainUnavailable, Cancelled };
    // One token refresh and the guarded calls waiting for its outcome.
    struct RefreshRound {
        std::optional<RefreshOutcome> outcome;
        std::vector<std::coroutine_handle<>> waiters;
        void finish(RefreshOutcome result);
    };
    struct RefreshWait {
        std::shared_ptr<RefreshRound> round;
        bool await_ready() const noexcept { return round->outcome.has_value(); }
        void await_suspend(std::coroutine_handle<> waiter) { round->waiters.push_back(waiter); }
        RefreshOutcome await_resume() const { return *round->outcome; }
    };

    struct Request {
        QByteArray method;
        QString path;
        std::optional<QByteArray> body;
        std::optional<QueryItems> queryItems;
    };

    // The value under "result.data": its "json" member when it has one.
    struct ProcedureReply {
        QJsonValue value;
        bool wrapped = false;
    };

    static std::optional<QByteArray> encodeBody(const std::optional<QJsonValue>& body);

    // One round trip; the body of a 2xx reply, or throws.
    QCoro::Task<QByteArray> send(Request request);
    QCoro::Task<QByteArray> sendGuarded(Request request);
    QCoro::Task<RefreshOutcome> refreshSession();
    // The refresh under way, or a new one when none is: never two at once.
    QCoro::Task<RefreshOutcome> joinRefresh();
    // emptyIsSuccess: an empty 2xx body stands for a reply whose data is not read.
    QCoro::Task<ProcedureReply> callProcedure(QByteArray method, QString procedure, std::optional<QJsonValue> input,
                                              bool emptyIsSuccess = false);
    static ProcedureReply unwrapProcedureReply(const QByteArray& body);
    // Any JSON value; an empty or malformed body is a decoding error.
    static QJsonValue parseBody(const QByteArray& body);

    template <typename R>
    static R decodeReply(const QByteArray& body)
    {
        return apiclient_detail::decodeOrThrow<R>(parseBody(body), json::Path {});
    }

    template <typename R>
    static R decodeProcedure(const ProcedureReply& reply)
    {
        const json::Path root;
        const json::Path result = root.child(QLatin1StringView("result"));
        const json::Path data = result.child(QLatin1StringView("data"));
        const json::Path inner = data.child(QLatin1StringView("json"));
        return apiclient_detail::decodeOrThrow<R>(reply.value, reply.wrapped ? inner : data);
    }

    QString m_baseURL;
    KeychainService& m_keychain;
    QNetworkAccessManager* m_network;
    TokenRefresher m_refresher;
    // Present while a refresh is under way.
    std::shared_ptr<RefreshRound> m_refresh;
    // Successful refreshes so far: a 401 to a request sent before the latest one
    // answers a token that is no longer the stored one.
    quint64 m_tokenGeneration = 0;
    quint64 m_session = 0;
    int m_requestTimeoutMs = requestTimeoutMs;
    std::unique_ptr<TokenRenewal> m_renewal;
};
