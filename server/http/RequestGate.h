#pragma once

// The listening socket in front of the HTTP parser. It sees each connection's bytes
// before the parser buffers them and refuses, holding none of the refused bytes, a
// request whose head, address or body is too large or that a web page of another
// origin sends; it closes connections that are slow to send a head or stay idle.

#include <QByteArray>
#include <QSet>
#include <QTcpServer>

class RequestGate : public QTcpServer {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxHead = 16 << 10;
    static constexpr qsizetype kMaxUrl = 8 << 10;

    struct Timeouts {
        // From the connection (or the first byte of a request) to the end of its head.
        int headMs = 10000;
        // Without a byte in either direction, between requests or inside a body.
        int idleMs = 60000;
    };

    explicit RequestGate(Timeouts timeouts, QObject* parent = nullptr);

    // Listens and remembers this server's own origins: http://HOST:PORT for the
    // address it listens on and for 127.0.0.1 and localhost.
    bool listenOn(const QHostAddress& address, quint16 port, const QString& hostName);
    // The value of an Origin header: true only for the server's own origins.
    bool acceptsOrigin(const QByteArray& origin) const;
    Timeouts timeouts() const { return m_timeouts; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    Timeouts m_timeouts;
    QSet<QByteArray> m_origins;
};
