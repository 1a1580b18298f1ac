#include "ServerTestClient.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QTimer>

#include <algorithm>

qint64 processMemoryKiB(qint64 pid, const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

using namespace Qt::StringLiterals;

namespace {

// {"json": value} as compact text; QJsonDocument takes only containers.
QByteArray wrapped(const QJsonValue& value)
{
    return QJsonDocument(QJsonObject { { u"json"_s, value } }).toJson(QJsonDocument::Compact);
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
    return document.isObject() ? QJsonValue(document.object()) : document.isArray() ? QJsonValue(document.array()) : QJsonValue();
}

QJsonValue HttpResult::data() const
{
    return json()["result"_L1]["data"_L1]["json"_L1];
}

QString HttpResult::errorMessage() const
{
    const QJsonValue error = json()["error"_L1];
    return error.isString() ? error.toString() : error["json"_L1]["message"_L1].toString();
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
    if (!language.isEmpty())
        request.setRawHeader("Accept-Language", language);
    QNetworkReply* reply = method == u"GET" ? m_nam.get(request) : m_nam.sendCustomRequest(request, method.toLatin1(), body);
    waitUntil([reply] { return reply->isFinished(); }, testsupport::kPatienceMs);
    HttpResult result { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
                        reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(), {} };
    for (const auto& [name, value] : reply->rawHeaderPairs())
        result.headers.insert(name.toLower(), value);
    reply->deleteLater();
    return result;
}

HttpResult ApiClient::get(const QString& path)
{
    return send(u"GET"_s, QUrl(m_base.toString() + path), {}, "application/json");
}

HttpResult ApiClient::post(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    return send(u"POST"_s, QUrl(m_base.toString() + path), body, contentType);
}

HttpResult ApiClient::postJson(const QString& path, const QJsonObject& body)
{
    return post(path, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

HttpResult ApiClient::query(const QString& procedure, const std::optional<QJsonValue>& input)
{
    QUrl url(m_base.toString() + u"/api/trpc/"_s + procedure);
    if (input)
        url.setQuery(u"input="_s + QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(wrapped(*input)))), QUrl::StrictMode);
    return send(u"GET"_s, url, {}, "application/json");
}

HttpResult ApiClient::mutation(const QString& procedure, const std::optional<QJsonValue>& input)
{
    return post(u"/api/trpc/"_s + procedure, input ? wrapped(*input) : QByteArray());
}

QJsonObject ApiClient::registerUser(const QString& username, const QString& password, const QString& nickname)
{
    QJsonObject body { { u"username"_s, username }, { u"password"_s, password } };
    if (!nickname.isEmpty())
        body.insert(u"nickname"_s, nickname);
    const QJsonObject reply = postJson(u"/api/auth/register"_s, body).json().toObject();
    token = reply.value("app_session_id"_L1).toString();
    m_userId = reply.value("user"_L1)["id"_L1].toInteger();
    return reply;
}

QJsonObject ApiClient::login(const QString& username, const QString& password)
{
    const QJsonObject reply = postJson(u"/api/auth/login"_s, { { u"username"_s, username }, { u"password"_s, password } }).json().toObject();
    token = reply.value("app_session_id"_L1).toString();
    m_userId = reply.value("user"_L1)["id"_L1].toInteger();
    return reply;
}

LiveClient::LiveClient(QUrl wsUrl, QByteArray language)
    : m_url(std::move(wsUrl))
    , m_language(std::move(language))
    , m_socket(std::make_unique<QWebSocket>())
{
    QObject::connect(m_socket.get(), &QWebSocket::textMessageReceived,
                     [this](const QString& text) { m_frames.append(QJsonDocument::fromJson(text.toUtf8()).object()); });
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
    QNetworkRequest upgrade(m_url);
    if (!m_language.isEmpty())
        upgrade.setRawHeader("Accept-Language", m_language);
    m_socket->open(upgrade);
    waitUntil([this] { return isOpen() || m_closed; }, timeoutMs);
    return isOpen();
}

bool LiveClient::authenticate(const QString& token, qint64 userId, const QString& deviceId)
{
    if (!isOpen() && !open())
        return false;
    sendFrame(u"auth"_s, { { u"token"_s, token }, { u"userId"_s, userId }, { u"deviceId"_s, deviceId }, { u"deviceType"_s, u"mac"_s } });
    return waitFor(u"auth_success"_s).has_value();
}

void LiveClient::sendFrame(const QString& type, const QJsonObject& payload)
{
    sendText(QString::fromUtf8(QJsonDocument(QJsonObject { { u"type"_s, type }, { u"payload"_s, payload } }).toJson(QJsonDocument::Compact)));
}

void LiveClient::sendText(const QString& text)
{
    m_socket->sendTextMessage(text);
}

void LiveClient::sendBinary(const QByteArray& bytes)
{
    m_socket->sendBinaryMessage(bytes);
}

std::optional<QJsonObject> LiveClient::waitFor(const QString& type, int timeoutMs)
{
    const auto index = [&] {
        return std::find_if(m_frames.cbegin(), m_frames.cend(), [&](const QJsonObject& f) { return f.value("type"_L1).toString() == type; })
            - m_frames.cbegin();
    };
    if (!waitUntil([&] { return index() < m_frames.size(); }, timeoutMs))
        return std::nullopt;
    return m_frames.takeAt(index()).value("payload"_L1).toObject();
}

QList<QJsonObject> LiveClient::framesBefore(const QString& type, int timeoutMs)
{
    const auto found = [&] {
        return std::find_if(m_frames.cbegin(), m_frames.cend(), [&](const QJsonObject& f) { return f.value("type"_L1).toString() == type; });
    };
    if (!waitUntil([&] { return found() != m_frames.cend(); }, timeoutMs))
        return {};
    const qsizetype count = found() - m_frames.cbegin();
    const QList<QJsonObject> before = m_frames.first(count);
    m_frames.remove(0, count + 1);
    return before;
}

bool LiveClient::serverCaughtUp()
{
    // The server answers frames in order and pushes while it handles the request that
    // caused the push, so anything pushed before a ping arrives before its pong. What
    // other connections brought (a frame, a request, a close) may be handled in the
    // same turn of the server's loop as the first ping, after it; the server handles
    // every connection that has something for it in a turn before the next, so by the
    // second pong it has handled all that reached it before the first ping.
    for (int round = 0; round < 2; ++round) {
        sendFrame(u"ping"_s, {});
        if (!waitFor(u"pong"_s))
            return false;
    }
    return true;
}

bool LiveClient::staysQuiet(const QString& type)
{
    if (!serverCaughtUp())
        return false;
    return std::none_of(m_frames.cbegin(), m_frames.cend(), [&](const QJsonObject& f) { return f.value("type"_L1).toString() == type; });
}

bool LiveClient::waitForClose(int timeoutMs)
{
    return waitUntil([this] { return m_closed; }, timeoutMs);
}

bool LiveClient::isOpen() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}
