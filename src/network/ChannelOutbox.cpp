#include "network/ChannelOutbox.h"

#include <algorithm>
#include <utility>

ChannelOutbox::ChannelOutbox(std::shared_ptr<WebSocketClock> clock, std::function<void(const QString& clientMsgId)> timedOut)
    : m_clock(std::move(clock))
    , m_timedOut(std::move(timedOut))
{
}

ChannelOutbox::~ChannelOutbox() = default;

void ChannelOutbox::add(const QString& clientMsgId, const QString& text)
{
    remove(clientMsgId);
    Pending pending { clientMsgId, text, 0, false, nullptr };
    // The timer dies with its entry, so the action never outlives the outbox.
    pending.ackTimer = m_clock->startTimer(ackTimeoutMs, false, [this, clientMsgId] { expire(clientMsgId); });
    m_pending.push_back(std::move(pending));
}

bool ChannelOutbox::remove(const QString& clientMsgId)
{
    return std::erase_if(m_pending, [&clientMsgId](const Pending& pending) { return pending.clientMsgId == clientMsgId; }) > 0;
}

QList<ChannelOutbox::Outgoing> ChannelOutbox::takeUnsent(qint64 connection)
{
    QList<Outgoing> unsent;
    for (Pending& pending : m_pending) {
        if (pending.connection != 0)
            continue;
        unsent.append({ pending.clientMsgId, pending.text, pending.sentBefore });
        pending.connection = connection;
        pending.sentBefore = true;
    }
    return unsent;
}

void ChannelOutbox::connectionLost(qint64 connection)
{
    for (Pending& pending : m_pending) {
        if (pending.connection == connection)
            pending.connection = 0;
    }
}

QStringList ChannelOutbox::clear()
{
    const QStringList ids = clientMsgIds();
    m_pending.clear();
    return ids;
}

QStringList ChannelOutbox::clientMsgIds() const
{
    QStringList ids;
    for (const Pending& pending : m_pending)
        ids.append(pending.clientMsgId);
    return ids;
}

void ChannelOutbox::expire(const QString& clientMsgId)
{
    const auto found = std::find_if(m_pending.begin(), m_pending.end(),
                                    [&clientMsgId](const Pending& pending) { return pending.clientMsgId == clientMsgId; });
    if (found == m_pending.end())
        return;
    // Taken out before the report, and its timer (running this) destroyed only after it.
    Pending expired = std::move(*found);
    m_pending.erase(found);
    m_timedOut(clientMsgId);
}
