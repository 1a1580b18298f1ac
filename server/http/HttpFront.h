#pragma once

// The one HTTP listener: routes "/api/auth/*", "/api/trpc/*", "/uploads/*" and lets
// "/ws" upgrade to a WebSocket (taken over by the LiveHub). Every handler's failure
// is turned into an error reply here; bad input never becomes a 500.

#include "http/BodyStream.h"
#include "http/HttpReply.h"
#include "http/RequestGate.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrlQuery>
#include <QWebSocketServer>

#include <functional>
#include <memory>

class FrameMaskCheck;
class QWebSocket;

struct HttpRequest {
    QString method;
    QString path;
    QUrlQuery query;
    QByteArray body;
    // A body streamed to its sink instead of held (see streamBody).
    StreamedBody streamed;
    // Empty when the request carries no "Authorization: Bearer ..." header.
    QString bearerToken;
    QString clientAddress;
    // The Host header: how the client addressed this server.
    QString host;
    // Of the Accept-Language header: what the texts of the reply are written in.
    Language language = Language::English;
};

class HttpFront : public QObject {
    Q_OBJECT
public:
    // Bodies above these sizes are refused with 413 before they are read.
    static constexpr qint64 kMaxBody = 1 << 20;
    static constexpr qint64 kMaxUploadFile = 50LL << 20;
    static constexpr qint64 kMaxUploadBody = kMaxUploadFile / 3 * 4 + 4 + (64 << 10);

    using Handler = std::function<HttpReply(const HttpRequest&, const QString& rest)>;
    using SinkMaker = std::function<std::shared_ptr<BodySink>()>;

    explicit HttpFront(QObject* parent = nullptr);
    ~HttpFront() override;

    // Listens through the gate that refuses oversized or foreign requests as they
    // arrive. Returns the port, or 0 when it cannot listen.
    quint16 listenGuarded(const QHostAddress& address, quint16 port, const QString& hostName,
        RequestGate::Limits limits, RequestGate::TokenCheck tokenCheck);
    // Stops listening; connections already open go on.
    void stopListening();
    // The largest body accepted for this path.
    qint64 bodyLimit(const QString& path) const;
    // Bodies of requests to path (up to kMaxUploadBody) are streamed, as they arrive,
    // into a sink that make() returns, instead of being held.
    void streamBody(const QString& path, SinkMaker make);
    // The sink for a body to path; null when such bodies are held.
    std::shared_ptr<BodySink> bodySink(const QString& path) const;

    // Requests whose path starts with prefix go to handler with the rest of the path.
    // procedureErrors chooses the error envelope of failures that escape the handler.
    void route(const QString& prefix, bool procedureErrors, Handler handler);

    // The answer to a whole request (perhaps one that comes later).
    HttpReply serve(const HttpRequest& request);
    // Takes a socket whose unread bytes begin with a WebSocket upgrade.
    void upgrade(QTcpSocket* socket);

    bool hasPendingWebSocketConnections() const { return m_webSockets.hasPendingConnections(); }
    std::unique_ptr<QWebSocket> nextPendingWebSocketConnection();

Q_SIGNALS:
    void newWebSocketConnection();

private:
    struct Route {
        QString prefix;
        bool procedureErrors = false;
        Handler handler;
    };

    QList<Route> m_routes;
    QHash<QString, SinkMaker> m_streamed;
    QPointer<RequestGate> m_gate;
    QWebSocketServer m_webSockets;
    // Sockets handed to the WebSocket server whose handshake is not done yet.
    QList<QPointer<FrameMaskCheck>> m_handshaking;
};
