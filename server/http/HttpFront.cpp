#include "http/HttpFront.h"

#include "http/AnswerQueue.h"
#include "http/PendingReply.h"
#include "http/RequestGate.h"

#include "http/ServerError.h"


#include <QHostAddress>
#include <QHttpServerRequest>
#include <QJsonObject>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpSocket>


namespace {

QString methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return QStringLiteral("GET");
    case QHttpServerRequest::Method::Post:
        return QStringLiteral("POST");
    case QHttpServerRequest::Method::Put:
        return QStringLiteral("PUT");
    case QHttpServerRequest::Method::Delete:
        return QStringLiteral("DELETE");
    case QHttpServerRequest::Method::Head:
        return QStringLiteral("HEAD");
    case QHttpServerRequest::Method::Options:
        return QStringLiteral("OPTIONS");
    case QHttpServerRequest::Method::Patch:
        return QStringLiteral("PATCH");
    default:
        return QStringLiteral("OTHER");
    }
}

QString bearerOf(const QHttpServerRequest& request)
{
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("authorization", Qt::CaseInsensitive) != 0)
            continue;
        const QByteArray trimmed = value.trimmed();
        if (trimmed.size() > 7 && trimmed.left(7).compare("bearer ", Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(trimmed.mid(7).trimmed());
        return {};
    }
    return {};
}

QString hostOf(const QHttpServerRequest& request)
{
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("host", Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(value.trimmed());
    }
    return {};
}

Language languageOf(const QHttpServerRequest& request)
{
    return languageFromHeader(request.value(QByteArrayLiteral("Accept-Language")));
}

bool isUpgrade(const QHttpServerRequest& request)
{
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("upgrade", Qt::CaseInsensitive) == 0 && value.trimmed().compare("websocket", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

quint16 HttpFront::listenGuarded(const QHostAddress& address, quint16 port, const QString& hostName,
    RequestGate::Limits limits, RequestGate::TokenCheck tokenCheck)
{
    auto* listener = new RequestGate(limits, std::move(tokenCheck), this);
    if (!listener->listenOn(address, port, hostName)) {
        delete listener;
        return 0;
    }
    bind(listener);
    return listener->serverPort();
}

qint64 HttpFront::bodyLimit(const QString& path)
{
    return path == u"/api/trpc/upload.complete" ? kMaxUploadBody : kMaxBody;
}

HttpFront::HttpFront(QObject* parent)
    : QAbstractHttpServer(parent)
{
}

void HttpFront::route(const QString& prefix, bool procedureErrors, Handler handler)
{
    m_routes.append(Route { prefix, procedureErrors, std::move(handler) });
}

bool HttpFront::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    // The upgrade itself is done by the base class once this returns true without a reply.
    if (request.url().path() == u"/ws" && isUpgrade(request))
        return true;
    AnswerQueue& answers = AnswerQueue::of(socket);
    const qint64 place = answers.reserve();
    const HttpReply reply = dispatch(request);
    if (!reply.pending) {
        answers.answer(place, reply.wire());
        return true;
    }
    reply.pending->whenFinished([queue = QPointer<AnswerQueue>(&answers), place](const HttpReply& done) {
        if (queue)
            queue->answer(place, done.wire());
    });
    return true;
}

void HttpFront::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    AnswerQueue& answers = AnswerQueue::of(socket);
    answers.answer(answers.reserve(), HttpReply::restError(ServerError::notFound(Text::NotFound), languageOf(request)).wire());
}

HttpReply HttpFront::dispatch(const QHttpServerRequest& request)
{
    const QString path = request.url().path();
    const Language language = languageOf(request);
    const Route* route = nullptr;
    for (const Route& candidate : m_routes) {
        if (path.startsWith(candidate.prefix)) {
            route = &candidate;
            break;
        }
    }
    if (!route) {
        if (path == u"/ws")
            return HttpReply::restError(ServerError::badRequest(Text::WebSocketOnly), language);
        return HttpReply::restError(ServerError::notFound(Text::NotFound), language);
    }
    const QString rest = path.mid(route->prefix.size());
    return HttpReply::guarded([&] {
        const qint64 limit = bodyLimit(path);
        if (request.body().size() > limit)
            throw ServerError::tooLarge(Text::BodyTooLarge, limit);
        HttpRequest view;
        view.method = methodName(request.method());
        view.path = path;
        view.query = request.query();
        view.body = request.body();
        view.bearerToken = bearerOf(request);
        view.clientAddress = request.remoteAddress().toString();
        view.host = hostOf(request);
        view.language = language;
        return route->handler(view, rest);
    }, route->procedureErrors, route->procedureErrors ? rest : path, language);
}

