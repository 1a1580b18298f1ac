#include "RecordingHttpServer.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <algorithm>

QByteArray RecordingHttpServer::Recorded::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool RecordingHttpServer::Recorded::hasHeader(const QByteArray& name) const
{
    return std::any_of(headers.begin(), headers.end(),
                       [&name](const auto& entry) { return entry.first.compare(name, Qt::CaseInsensitive) == 0; });
}

QString RecordingHttpServer::Recorded::queryValue(const QString& name) const
{
    for (const QByteArray& pair : rawQuery.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        QByteArray key = pair.left(eq < 0 ? pair.size() : eq);
        QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        key.replace('+', ' ');
        value.replace('+', ' ');
        if (QUrl::fromPercentEncoding(key) == name)
            return QUrl::fromPercentEncoding(value);
    }
    return {};
}

QJsonValue RecordingHttpServer::Recorded::procedureInput() const
{
    const QByteArray text = method == "GET" ? queryValue(QStringLiteral("input")).toUtf8() : body;
    return QJsonDocument::fromJson(text).object().value(QStringLiteral("json"));
}

RecordingHttpServer::RecordingHttpServer(QObject* parent)
    : QAbstractHttpServer(parent)
{
    m_port = listen(QHostAddress::LocalHost, 0);
}

RecordingHttpServer::~RecordingHttpServer() = default;

QString RecordingHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void RecordingHttpServer::respond(const QString& path, Reply reply)
{
    m_replies.insert(path, std::move(reply));
}

void RecordingHttpServer::respondOnce(const QString& path, Reply reply)
{
    m_onceReplies[path].enqueue(std::move(reply));
}

void RecordingHttpServer::release(const QString& path)
{
    std::vector<Held> keep;
    for (Held& held : m_held) {
        if (held.path == path)
            write(*held.responder, held.reply);
        else
            keep.push_back(std::move(held));
    }
    m_held = std::move(keep);
}

void RecordingHttpServer::releaseOldest(const QString& path)
{
    const auto oldest = std::find_if(m_held.begin(), m_held.end(), [&path](const Held& held) { return held.path == path; });
    if (oldest == m_held.end())
        return;
    write(*oldest->responder, oldest->reply);
    m_held.erase(oldest);
}

int RecordingHttpServer::heldCount(const QString& path) const
{
    return int(std::count_if(m_held.begin(), m_held.end(), [&path](const Held& held) { return held.path == path; }));
}

QList<RecordingHttpServer::Recorded> RecordingHttpServer::requestsTo(const QString& path) const
{
    QList<Recorded> matching;
    for (const Recorded& recorded : m_requests) {
        if (recorded.path == path)
            matching.append(recorded);
    }
    return matching;
}

void RecordingHttpServer::write(QHttpServerResponder& responder, const Reply& reply)
{
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(reply.status));
    bool hasContentType = false;
    for (const auto& [name, value] : reply.headers) {
        hasContentType = hasContentType || name.compare("Content-Type", Qt::CaseInsensitive) == 0;
        responder.writeHeader(name, value);
    }
    if (!hasContentType)
        responder.writeHeader("Content-Type", "application/json");
    responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
    responder.writeBody(reply.body);
}

bool RecordingHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    static const QHash<QHttpServerRequest::Method, QByteArray> methodNames {
        { QHttpServerRequest::Method::Get, "GET" }, { QHttpServerRequest::Method::Post, "POST" },
        { QHttpServerRequest::Method::Put, "PUT" }, { QHttpServerRequest::Method::Delete, "DELETE" },
        { QHttpServerRequest::Method::Patch, "PATCH" }, { QHttpServerRequest::Method::Head, "HEAD" },
        { QHttpServerRequest::Method::Options, "OPTIONS" },
    };
    const QUrl url = request.url();
    if (url.path() == barrierPath()) {
        QHttpServerResponder responder = makeResponder(request, socket);
        write(responder, Reply { 200, "{}" });
        return true;
    }
    Recorded recorded;
    recorded.method = methodNames.value(request.method(), "OTHER");
    recorded.path = url.path();
    recorded.hasQuery = url.hasQuery();
    recorded.rawQuery = url.query(QUrl::FullyEncoded).toLatin1();
    recorded.headers = request.headers();
    recorded.body = request.body();
    m_requests.append(recorded);

    Reply reply;
    auto once = m_onceReplies.find(recorded.path);
    if (once != m_onceReplies.end() && !once->isEmpty())
        reply = once->dequeue();
    else if (m_replies.contains(recorded.path))
        reply = m_replies.value(recorded.path);
    else
        reply = Reply { 404, R"({"error":"no reply scripted for this path"})" };

    auto responder = std::make_unique<QHttpServerResponder>(makeResponder(request, socket));
    if (reply.held)
        m_held.push_back(Held { recorded.path, reply, std::move(responder) });
    else
        write(*responder, reply);
    return true;
}

void RecordingHttpServer::missingHandler(const QHttpServerRequest&, QTcpSocket*)
{
}
