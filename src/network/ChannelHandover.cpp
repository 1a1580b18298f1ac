#include "network/ChannelHandover.h"

#include <QWebSocket>

#include <utility>

namespace {

const QString pingFrame = QStringLiteral("{\"type\":\"ping\",\"payload\":{}}");

} // namespace

ChannelHandover::ChannelHandover(std::shared_ptr<WebSocketClock> clock, Actions actions)
    : m_clock(std::move(clock))
    , m_actions(std::move(actions))
{
}

ChannelHandover::~ChannelHandover() = default;

QWebSocket* ChannelHandover::oldSocket() const
{
    return m_old;
}

void ChannelHandover::begin(QWebSocket* old, qint64 oldConnection, int unansweredPings)
{
    m_phase = Phase::Waiting;
    m_old = old;
    m_oldConnection = oldConnection;
    m_unansweredPings = unansweredPings;
    // Copies of deliveries from a handover just before may still come: those ids stay.
    m_forgetDeliveries.reset();
}

void ChannelHandover::newAccepted()
{
    if (m_phase != Phase::Waiting)
        return;
    m_phase = Phase::Draining;
    m_actions.sendOnOld(m_old, pingFrame);
    ++m_unansweredPings;
    m_lastFromOld = m_clock->nowMs();
    awaitOld(drainTimeoutMs);
}

void ChannelHandover::awaitOld(qint64 ms)
{
    m_drainTimer = m_clock->startTimer(ms, false, [this] {
        // Destroyed once this has run, whatever replaces it.
        const auto running = std::exchange(m_drainTimer, nullptr);
        const qint64 silent = m_clock->nowMs() - m_lastFromOld;
        if (silent < drainTimeoutMs)
            awaitOld(drainTimeoutMs - silent);
        else
            finish();
    });
}

void ChannelHandover::frameFromOld()
{
    m_lastFromOld = m_clock->nowMs();
}

void ChannelHandover::pongFromOld()
{
    m_unansweredPings = std::max(0, m_unansweredPings - 1);
    if (m_phase == Phase::Draining && m_unansweredPings == 0)
        finish();
}

bool ChannelHandover::keepFromNew(const QString& text)
{
    if (m_phase != Phase::Draining)
        return false;
    m_keptFromNew.append(text);
    return true;
}

bool ChannelHandover::oldLost()
{
    if (m_phase == Phase::None)
        return false;
    if (m_phase == Phase::Waiting) {
        end();
        return true;
    }
    finish();
    return false;
}

void ChannelHandover::newLost()
{
    if (m_phase != Phase::Draining)
        return;
    const QStringList held = std::exchange(m_heldOutgoing, {});
    for (const QString& text : held)
        m_actions.sendOnOld(m_old, text);
    finish();
}

bool ChannelHandover::isRepeatDelivery(qint64 messageId)
{
    if (m_deliveries.contains(messageId))
        return true;
    if (m_phase != Phase::None)
        m_deliveries.insert(messageId);
    return false;
}

void ChannelHandover::drop()
{
    end();
    m_deliveries.clear();
    m_forgetDeliveries.reset();
}

void ChannelHandover::finish()
{
    const QStringList held = std::exchange(m_heldOutgoing, {});
    const QStringList kept = std::exchange(m_keptFromNew, {});
    QWebSocket* const old = m_old;
    const qint64 oldConnection = m_oldConnection;
    end();
    m_forgetDeliveries = m_clock->startTimer(drainTimeoutMs, false, [this] {
        const auto timer = std::exchange(m_forgetDeliveries, nullptr);
        m_deliveries.clear();
    });
    m_actions.closeOld(old);
    // The client's frames first: they were written before anything the replay may answer.
    for (const QString& text : held)
        m_actions.sendOnNew(text);
    for (const QString& text : kept)
        m_actions.handleFromNew(text);
    m_actions.finished(oldConnection);
}

void ChannelHandover::end()
{
    m_phase = Phase::None;
    m_old = nullptr;
    m_drainTimer.reset();
    m_heldOutgoing.clear();
    m_keptFromNew.clear();
}
