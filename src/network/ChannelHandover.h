#pragma once

// A re-authentication of the same user on a live channel (a token renewal, a switch
// of language) makes the new connection before it breaks the old one, so that the
// server never sees the user go offline and no event falls between the two.
//
//  Waiting:  the new connection opens and authenticates; the old one still carries
//            the channel both ways.
//  Draining: the server accepted the new connection; from then on it writes the
//            user's events there and no longer on the old one. The old one is asked
//            for a last answer (a ping): once every ping sent on it is answered,
//            nothing the server wrote on it before can still be on its way, and it
//            is closed. Meanwhile what the new one brings waits, and so does what
//            the client sends, so that events are handled, and frames reach the
//            server, in the order they were written.
//
// A server that writes the same event on both connections while they overlap can
// only be followed for message deliveries: those are taken once, by message id.
// Every other frame is handled as it comes, a genuine repeat included.

#include "network/WebSocketClock.h"

#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWebSocket;

class ChannelHandover {
public:
    enum class Phase { None, Waiting, Draining };

    struct Actions {
        // The old socket may be gone (null) by the time these run.
        std::function<void(QWebSocket* old, const QString& text)> sendOnOld;
        std::function<void(QWebSocket* old)> closeOld;
        std::function<void(const QString& text)> sendOnNew;
        std::function<void(const QString& text)> handleFromNew;
        // The new connection alone carries the channel now; whatever the old one carried
        // and the server has not answered will not be answered there.
        std::function<void(qint64 oldConnection)> finished;
    };

    // How long the old connection may stay silent before it answers its last ping (a
    // client that fell behind may still be reading what it brought long before); the
    // copies of deliveries are looked out for this long after the handover, too.
    static constexpr qint64 drainTimeoutMs = 3'000;

    ChannelHandover(std::shared_ptr<WebSocketClock> clock, Actions actions);
    ~ChannelHandover();

    Phase phase() const { return m_phase; }
    bool isActive() const { return m_phase != Phase::None; }
    QWebSocket* oldSocket() const;
    qint64 oldConnection() const { return m_oldConnection; }

    // unansweredPings: pings written on the old connection whose pong has not come yet.
    void begin(QWebSocket* old, qint64 oldConnection, int unansweredPings);
    // A ping the client wrote on the old connection: its answer is waited for.
    void pingSentOnOld() { ++m_unansweredPings; }
    void pongFromOld();
    // A frame came on the old connection: while draining, it is not given up yet.
    void frameFromOld();
    // Waiting becomes Draining.
    void newAccepted();
    // While draining, a frame of the new connection waits its turn: true when kept.
    bool keepFromNew(const QString& text);
    // While draining, a frame the client sends waits for the new connection.
    void holdOutgoing(const QString& text) { m_heldOutgoing.append(text); }
    // True when this leaves the user without an accepted connection for a while.
    bool oldLost();
    // Accepted, then lost while draining: what waited to go out goes on the old one,
    // which the server still reads.
    void newLost();
    // A delivery of this message was taken in this handover already.
    bool isRepeatDelivery(qint64 messageId);
    // Ends it now: the old connection is closed, and what waited is sent and handled.
    void finish();
    // Forgets everything at once; the caller drops the old connection.
    void drop();

private:
    void end();
    // Ends the draining once the old connection has been silent for drainTimeoutMs.
    void awaitOld(qint64 ms);

    std::shared_ptr<WebSocketClock> m_clock;
    Actions m_actions;
    Phase m_phase = Phase::None;
    QPointer<QWebSocket> m_old;
    qint64 m_oldConnection = 0;
    int m_unansweredPings = 0;
    // When the old connection brought its last frame (the clock's time).
    qint64 m_lastFromOld = 0;
    QStringList m_keptFromNew;
    QStringList m_heldOutgoing;
    QSet<qint64> m_deliveries;
    std::unique_ptr<WebSocketClock::Timer> m_drainTimer;
    std::unique_ptr<WebSocketClock::Timer> m_forgetDeliveries;
};
