#include "state/chat/ReadMarker.h"

#include "models/WSMessage.h"
#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "state/common/ErrorDescription.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"

#include <QDebug>
#include <QPointer>

ReadMarker::ReadMarker(qint64 conversationId, qint64 currentUserId, Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_conversationId(conversationId)
    , m_currentUserId(currentUserId)
    , m_deps(dependencies)
{
    // Stopped when the chat leaves the screen.
    m_burst = m_deps.timers->create(this, [this] { markNow(); });
    connect(m_deps.wsService, &WebSocketService::authenticated, this, &ReadMarker::channelAccepted, Qt::QueuedConnection);
}

QCoro::Task<> ReadMarker::markNow()
{
    QPointer<ReadMarker> self(this);
    // This mark covers whatever a running countdown or a failed mark was for.
    m_burst->stop();
    m_unread = false;
    m_failed = false;
    m_marking = true;
    const quint64 mark = ++m_marks;
    const quint64 acceptances = m_acceptances;
    bool taken = false;
    try {
        co_await m_deps.chatService->markAsRead(m_conversationId);
        taken = true;
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Chat] Mark as read failed:" << errorDescription(error);
    }
    if (!self)
        co_return;
    if (taken) {
        WSPayload payload;
        payload.userId = m_currentUserId;
        payload.conversationId = m_conversationId;
        m_deps.wsService->send(WSMessage { QStringLiteral("read"), payload });
        m_deps.notifications->post(NotificationName::conversationRead(),
                                   { { NotificationKey::conversationId(), m_conversationId } });
    }
    // A later mark is on its way: its end decides what is still unread.
    if (mark != m_marks)
        co_return;
    m_marking = false;
    if (!taken) {
        // The server keeps these messages unread. Trying again at once would fail
        // again while it cannot be reached; unless the channel came back while this
        // mark was on its way, which no later acceptance would tell.
        m_unread = true;
        m_failed = acceptances == m_acceptances;
    }
    // What arrived while this mark was on its way, or what it failed to mark.
    schedule();
}

void ReadMarker::setOnScreen(bool onScreen)
{
    m_onScreen = onScreen;
    if (onScreen)
        schedule();
    else
        m_burst->stop();
}

void ReadMarker::messagesArrived()
{
    // They came from the server: it can be reached again.
    m_unread = true;
    m_failed = false;
    schedule();
}

void ReadMarker::channelAccepted()
{
    ++m_acceptances;
    if (!m_failed)
        return;
    m_failed = false;
    schedule();
}

void ReadMarker::schedule()
{
    if (m_onScreen && m_unread && !m_marking && !m_failed && !m_burst->isActive())
        m_burst->start(burstMs);
}
