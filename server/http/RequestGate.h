#pragma once

// The listening socket: it limits how many connections are open (in all and per
// address), keeps accepting after running out of descriptors, and holds what each
// connection's reader (HttpConnection) checks requests against: the time limits, this
// server's own web origins and whether a token is valid.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QSet>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>

#include <functional>

class RequestGate : public QTcpServer {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxHead = 16 << 10;
    static constexpr qsizetype kMaxUrl = 8 << 10;

    struct Limits {
        // From the connection's opening (or its previous answer) to the end of the
        // next request head, however slowly its bytes come.
        int headMs = 10000;
        // Without a byte while a body arrives.
        int idleMs = 60000;
        // A body arriving for longer than headMs must have come at this average rate.
        qint64 minBodyBytesPerSecond = 16 << 10;
        int maxConnections = 1024;
        int maxConnectionsPerAddress = 64;
    };
    // True when an access token is valid; asked from the head of requests whose
    // bodies are large, before they are read.
    using TokenCheck = std::function<bool(const QString& token)>;

    RequestGate(Limits limits, TokenCheck tokenCheck, QObject* parent = nullptr);
    ~RequestGate() override;

    // Listens and remembers this server's own origins: http://HOST:PORT for the
    // address it listens on and for 127.0.0.1 and localhost.
    bool listenOn(const QHostAddress& address, quint16 port, const QString& hostName);
    // The value of an Origin header: true only for the server's own origins.
    bool acceptsOrigin(const QByteArray& origin) const;
    bool acceptsToken(const QString& token) const { return m_tokenCheck && m_tokenCheck(token); }
    Limits limits() const { return m_limits; }

    // The base class turns its own accepting back on here; it stays off.
    QTcpSocket* nextPendingConnection() override;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    // The listener's own accepting, in place of the base class's: out of descriptors
    // it would either retry at once for ever or stop for good. Here accepting pauses
    // (the kernel queues new connections meanwhile) and resumes after a wait that
    // doubles while the failures go on.
    void acceptQueued();
    void backOff();
    void forget(const QHostAddress& address);

    Limits m_limits;
    TokenCheck m_tokenCheck;
    QSet<QByteArray> m_origins;
    QHash<QHostAddress, int> m_perAddress;
    int m_open = 0;
    QSocketNotifier* m_acceptable = nullptr;
    QTimer m_resume;
    int m_backOffMs = 0;
};
