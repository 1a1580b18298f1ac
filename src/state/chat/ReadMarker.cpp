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
}

QCoro::Task<> ReadMarker::markNow()
{
    QPointer<ReadMarker> self(this);
    // This mark covers whatever a running countdown was for.
    m_burst->stop();
    m_unread = false;
    m_marking = true;
    try {
        co_await m_deps.chatService->markAsRead(m_conversationId);
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Chat] Mark as read failed:" << errorDescription(error);
    }
    if (!self)
        co_return;
    WSPayload payload;
    payload.userId = m_currentUserId;
    payload.conversationId = m_conversationId;
    m_deps.wsService->send(WSMessage { QStringLiteral("read"), payload });
    m_deps.notifications->post(NotificationName::conversationRead(),
                               { { NotificationKey::conversationId(), m_conversationId } });
    m_marking = false;
    // What arrived while this mark was on its way.
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
    m_unread = true;
    schedule();
}

void ReadMarker::schedule()
{
    if (m_onScreen && m_unread && !m_marking && !m_burst->isActive())
        m_burst->start(burstMs);
}
