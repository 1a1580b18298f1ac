#include "ServerTestClient.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QTimer>
#include <QUrlQuery>

namespace {

QByteArray compact(const QJsonValue& value)
{
    // QJsonDocument takes only containers: wrap and peel.
    const QByteArray wrapped = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.start(timeoutMs);
    while (!done() && timeout.isActive())
        loop.processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

} // namespace

QJsonValue HttpResult::json() const
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (document.isObject())
        return document.object();
    if (document.isArray())
        return document.array();
    return {};
}

QJsonValue HttpResult::data() const
{
    return json()[QLatin1StringView("result")][QLatin1StringView("data")][QLatin1StringView("json")];
}

QString HttpResult::errorMessage() const
{
    const QJsonValue error = json()[QLatin1StringView("error")];
    if (error.isString())
        return error.toString();
    return error[QLatin1StringView("json")][QLatin1StringView("message")].toString();
}

ApiClient::ApiClient(QUrl base)
    : m_base(std::move(base))
{
}

HttpResult ApiClient::send(const QString& method, const QUrl& url, const QByteArray& body, const QByteArray& contentType)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    if (!token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    QNetworkReply* reply = method == u"GET" ? m_nam.get(request) : m_nam.sendCustomRequest(request, method.toLatin1(), body);
    waitUntil([reply] { return reply->isFinished(); }, 30000);
    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    reply->deleteLater();
    return result;
}

HttpResult ApiClient::get(const QString& path)
{
    return send(QStringLiteral("GET"), QUrl(m_base.toString() + path), {}, "application/json");
}

HttpResult ApiClient::post(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    return send(QStringLiteral("POST"), QUrl(m_base.toString() + path), body, contentType);
}

HttpResult ApiClient::postJson(const QString& path, const QJsonObject& body)
{
    return post(path, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

HttpResult ApiClient::query(const QString& procedure, const std::optional<QJsonValue>& input)
{
    QUrl url(m_base.toString() + QStringLiteral("/api/trpc/") + procedure);
    if (input) {
        const QByteArray text = "{\"json\":" + compact(*input) + "}";
        url.setQuery(QStringLiteral("input=") + QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(text))), QUrl::StrictMode);
    }
    return send(QStringLiteral("GET"), url, {}, "application/json");
}

HttpResult ApiClient::mutation(const QString& procedure, const std::optional<QJsonValue>& input)
{
    const QByteArray body = input ? "{\"json\":" + compact(*input) + "}" : QByteArray();
    return post(QStringLiteral("/api/trpc/") + procedure, body);
}

QJsonObject ApiClient::registerUser(const QString& username, const QString& password, const QString& nickname)
{
    QJsonObject body { { QStringLiteral("username"), username }, { QStringLiteral("password"), password } };
    if (!nickname.isEmpty())
        body.insert(QStringLiteral("nickname"), nickname);
    const QJsonObject reply = postJson(QStringLiteral("/api/auth/register"), body).json().toObject();
    token = reply.value(QLatin1StringView("app_session_id")).toString();
    m_userId = reply.value(QLatin1StringView("user"))[QLatin1StringView("id")].toInteger();
    return reply;
}

QJsonObject ApiClient::login(const QString& username, const QString& password)
{
    const QJsonObject reply = postJson(QStringLiteral("/api/auth/login"),
        { { QStringLiteral("username"), username }, { QStringLiteral("password"), password } })
                                  .json()
                                  .toObject();
    token = reply.value(QLatin1StringView("app_session_id")).toString();
    m_userId = reply.value(QLatin1StringView("user"))[QLatin1StringView("id")].toInteger();
    return reply;
}

LiveClient::LiveClient(QUrl wsUrl)
    : m_url(std::move(wsUrl))
    , m_socket(std::make_unique<QWebSocket>())
{
    QObject::connect(m_socket.get(), &QWebSocket::textMessageReceived, [this](const QString& text) {
        m_frames.append(QJsonDocument::fromJson(text.toUtf8()).object());
    });
    QObject::connect(m_socket.get(), &QWebSocket::disconnected, [this] {
        m_closed = true;
        m_closeCode = m_socket->closeCode();
    });
}

LiveClient::~LiveClient()
{
    m_socket->disconnect();
    m_socket->abort();
}

bool LiveClient::open(int timeoutMs)
{
    m_socket->open(m_url);
    return waitUntil([this] { return m_socket->state() == QAbstractSocket::ConnectedState || m_closed; }, timeoutMs)
        && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool LiveClient::authenticate(const QString& token, qint64 userId, const QString& deviceId)
{
    if (!isOpen() && !open())
        return false;
    sendFrame(QStringLiteral("auth"),
        { { QStringLiteral("token"), token }, { QStringLiteral("userId"), userId },
          { QStringLiteral("deviceId"), deviceId }, { QStringLiteral("deviceType"), QStringLiteral("mac") } });
    return waitFor(QStringLiteral("auth_success")).has_value();
}

void LiveClient::sendFrame(const QString& type, const QJsonObject& payload)
{
    sendText(QString::fromUtf8(QJsonDocument(QJsonObject { { QStringLiteral("type"), type }, { QStringLiteral("payload"), payload } })
                                   .toJson(QJsonDocument::Compact)));
}

void LiveClient::sendText(const QString& text)
{
    m_socket->sendTextMessage(text);
}

std::optional<QJsonObject> LiveClient::waitFor(const QString& type, int timeoutMs)
{
    qsizetype index = -1;
    const auto find = [&] {
        for (qsizetype i = 0; i < m_frames.size(); ++i) {
            if (m_frames[i].value(QLatin1StringView("type")).toString() == type) {
                index = i;
                return true;
            }
        }
        return false;
    };
    if (!waitUntil(find, timeoutMs))
        return std::nullopt;
    return m_frames.takeAt(index).value(QLatin1StringView("payload")).toObject();
}

bool LiveClient::staysQuiet(const QString& type)
{
    // The server answers frames in order and pushes while it handles the request that
    // caused the push, so anything pushed before this ping arrives before its pong.
    sendFrame(QStringLiteral("ping"), {});
    if (!waitFor(QStringLiteral("pong")))
        return false;
    for (const QJsonObject& frame : std::as_const(m_frames)) {
        if (frame.value(QLatin1StringView("type")).toString() == type)
            return false;
    }
    return true;
}

bool LiveClient::waitForClose(int timeoutMs)
{
    return waitUntil([this] { return m_closed; }, timeoutMs);
}

bool LiveClient::isOpen() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}
