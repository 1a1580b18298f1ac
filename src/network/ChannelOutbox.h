#pragma once

// The chat messages handed to the live channel and not answered yet. Each one has
// ackTimeoutMs from the moment it was handed over to be acknowledged or refused,
// whatever happens to the connection meanwhile: one still unanswered then has
// failed, online or not, and leaves the outbox. Until then it goes out once on
// every authenticated connection that has not carried it yet; the server knows a
// repeat by its client message id and stores it once.

#include "network/WebSocketClock.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class ChannelOutbox {
public:
    // How long a chat message may wait for the server's answer.
    static constexpr qint64 ackTimeoutMs = 30'000;

    struct Outgoing {
        QString clientMsgId;
        QString text;
        // It went out before, on a connection that was lost or replaced since.
        bool again = false;
    };

    // timedOut: the message has been taken out; it runs on the clock's timer.
    ChannelOutbox(std::shared_ptr<WebSocketClock> clock, std::function<void(const QString& clientMsgId)> timedOut);
    ~ChannelOutbox();

    // A message sent again under an id that failed, or that still waits, starts afresh.
    void add(const QString& clientMsgId, const QString& text);
    // Answered by the server (acknowledged or refused). False when the id was not waiting.
    bool remove(const QString& clientMsgId);
    // What the connection has not carried yet, oldest first; from now on it has.
    QList<Outgoing> takeUnsent(qint64 connection);
    // The connection is gone: what it carried unanswered goes out again on the next one.
    void connectionLost(qint64 connection);
    // Empties the outbox without sending anything more; the ids, oldest first.
    QStringList clear();
    QStringList clientMsgIds() const;

private:
    struct Pending {
        QString clientMsgId;
        QString text;
        // The connection that carries it, 0 for none.
        qint64 connection = 0;
        bool sentBefore = false;
        std::unique_ptr<WebSocketClock::Timer> ackTimer;
    };
    void expire(const QString& clientMsgId);

    std::shared_ptr<WebSocketClock> m_clock;
    std::function<void(const QString&)> m_timedOut;
    std::vector<Pending> m_pending;
};
