#pragma once

// An in-process HTTP server on a free loopback port for client tests. It records
// every request exactly as it arrived and answers from replies scripted per path.
//
//     RecordingHttpServer server;
//     server.respond(u"/api/trpc/contacts.list"_s, { 200, envelopeBytes });
//     server.respondOnce(u"/api/auth/me"_s, { 401, errorBytes }); // first call only
//     ... client calls server.baseUrl() ...
//     QCOMPARE(server.requests().at(0).method, "GET");

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHash>
#include <QHttpServerResponder>
#include <QJsonValue>
#include <QList>
#include <QQueue>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class RecordingHttpServer : public QAbstractHttpServer {
    Q_OBJECT

public:
    struct Reply {
        int status = 200;
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers {};
        // Kept unanswered until release(path): lets a test act while a request is in flight.
        bool held = false;
    };

    struct Recorded {
        QByteArray method; // "GET", "POST", ...
        QString path; // decoded path, e.g. "/api/trpc/user.search"
        QByteArray rawQuery; // the query exactly as sent, still percent-encoded; empty when none
        bool hasQuery = false; // a "?" was present
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;

        // Case-insensitive; empty when absent.
        QByteArray header(const QByteArray& name) const;
        bool hasHeader(const QByteArray& name) const;
        // A query value decoded the way HTML forms and most servers do ("+" is a space).
        QString queryValue(const QString& name) const;
        // What a procedure call was given: the "json" member of a query's "input" item
        // or of a mutation's body. Undefined when the call carried none.
        QJsonValue procedureInput() const;
    };

    explicit RecordingHttpServer(QObject* parent = nullptr);
    ~RecordingHttpServer() override;

    // "http://127.0.0.1:<port>"
    QString baseUrl() const;
    quint16 port() const { return m_port; }

    // The reply for every request to path from now on.
    void respond(const QString& path, Reply reply);
    // Replies used once each, in order, before the reply set by respond().
    void respondOnce(const QString& path, Reply reply);
    // Answers the requests held for path.
    void release(const QString& path);
    // Answers only the first request still held for path.
    void releaseOldest(const QString& path);
    // How many requests to path are held unanswered.
    int heldCount(const QString& path) const;

    // Requests to this path are answered at once with an empty object and never
    // recorded: they are the barrier of testsupport::roundTrip().
    static QString barrierPath() { return QStringLiteral("/test/round-trip"); }

    const QList<Recorded>& requests() const { return m_requests; }
    QList<Recorded> requestsTo(const QString& path) const;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    static void write(QHttpServerResponder& responder, const Reply& reply);

    quint16 m_port = 0;
    QList<Recorded> m_requests;
    QHash<QString, Reply> m_replies;
    QHash<QString, QQueue<Reply>> m_onceReplies;
    struct Held {
        QString path;
        Reply reply;
        std::unique_ptr<QHttpServerResponder> responder;
    };
    std::vector<Held> m_held;
};
