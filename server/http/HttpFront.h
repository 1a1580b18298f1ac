#pragma once

// The one HTTP listener: routes "/api/auth/*", "/api/trpc/*", "/uploads/*" and lets
// "/ws" upgrade to a WebSocket (taken over by the LiveHub). Every handler's failure
// is turned into an error reply here; bad input never becomes a 500.

#include "http/HttpReply.h"
#include "http/RequestGate.h"

#include <QAbstractHttpServer>
#include <QString>
#include <QUrlQuery>

#include <functional>

struct HttpRequest {
    QString method;
    QString path;
    QUrlQuery query;
    QByteArray body;
    // Empty when the request carries no "Authorization: Bearer ..." header.
    QString bearerToken;
    QString clientAddress;
    // The Host header: how the client addressed this server.
    QString host;
    // Of the Accept-Language header: what the texts of the reply are written in.
    Language language = Language::English;
};

class HttpFront : public QAbstractHttpServer {
    Q_OBJECT
public:
    // Bodies above these sizes are refused with 413 before any handler sees them.
    static constexpr qint64 kMaxBody = 1 << 20;
    static constexpr qint64 kMaxUploadFile = 50LL << 20;
    static constexpr qint64 kMaxUploadBody = kMaxUploadFile / 3 * 4 + 4 + (64 << 10);

    using Handler = std::function<HttpReply(const HttpRequest&, const QString& rest)>;

    explicit HttpFront(QObject* parent = nullptr);

    // Listens through the socket layer that refuses oversized or foreign requests as
    // they arrive, before they are buffered. Returns the port, or 0 when it cannot listen.
    quint16 listenGuarded(const QHostAddress& address, quint16 port, const QString& hostName,
        RequestGate::Limits limits, RequestGate::TokenCheck tokenCheck);
    // The largest body accepted for this path.
    static qint64 bodyLimit(const QString& path);

    // Requests whose path starts with prefix go to handler with the rest of the path.
    // procedureErrors chooses the error envelope of failures that escape the handler.
    void route(const QString& prefix, bool procedureErrors, Handler handler);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Route {
        QString prefix;
        bool procedureErrors = false;
        Handler handler;
    };

    HttpReply dispatch(const QHttpServerRequest& request);

    QList<Route> m_routes;
};
