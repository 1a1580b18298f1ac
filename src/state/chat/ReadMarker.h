#pragma once

#include "state/chat/StateTimer.h"

#include <QCoroTask>
#include <QObject>

#include <memory>

class ChatService;
class NotificationCenter;
class WebSocketService;

// Marks one conversation read: on the server, over the channel (so that the senders
// see their messages read) and to the rest of the client. While the chat is on
// screen in the active window, messages that arrive are read as they come: one mark
// within burstMs covers all that arrived meanwhile, and messages that arrived while
// the chat was away are marked when it is back on screen.
class ReadMarker : public QObject {
    Q_OBJECT
public:
    struct Dependencies {
        ChatService* chatService;
        WebSocketService* wsService;
        NotificationCenter* notifications;
        StateTimer::Factory* timers;
    };
    static constexpr qint64 burstMs = 500;

    ReadMarker(qint64 conversationId, qint64 currentUserId, Dependencies dependencies, QObject* parent = nullptr);

    // A failure of the server call is only logged: the frame and the notice go all the same.
    QCoro::Task<> markNow();
    bool isOnScreen() const { return m_onScreen; }
    // A mark is on its way to the server.
    bool isMarking() const { return m_marking; }
    void setOnScreen(bool onScreen);
    // Messages of others went into the open chat.
    void messagesArrived();

private:
    void schedule();

    qint64 m_conversationId;
    qint64 m_currentUserId;
    Dependencies m_deps;
    std::unique_ptr<StateTimer> m_burst;
    bool m_onScreen = false;
    bool m_unread = false;
    bool m_marking = false;
};
