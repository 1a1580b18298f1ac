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
// the chat was away are marked when it is back on screen. A mark the server did not
// take leaves them unread: they are marked again once the channel is back (or more
// messages come), if the chat is on screen then.
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

    // Ends with the server's answer to this mark, whatever became of the marks before
    // it. Only a mark the server took sends the "read" frame and the notice.
    QCoro::Task<> markNow();
    bool isOnScreen() const { return m_onScreen; }
    // A mark is on its way to the server.
    bool isMarking() const { return m_marking; }
    // The last mark failed: what it covered is still unread, waiting for the channel.
    bool isWaitingToRetry() const { return m_failed; }
    void setOnScreen(bool onScreen);
    // Messages of others went into the open chat.
    void messagesArrived();

private:
    void schedule();
    void channelAccepted();

    qint64 m_conversationId;
    qint64 m_currentUserId;
    Dependencies m_deps;
    std::unique_ptr<StateTimer> m_burst;
    bool m_onScreen = false;
    bool m_unread = false;
    bool m_marking = false;
    bool m_failed = false;
    // Counts the marks started: only the latest one's end says what is still unread.
    quint64 m_marks = 0;
    // Counts the times the server accepted the channel.
    quint64 m_acceptances = 0;
};
