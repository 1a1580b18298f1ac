#pragma once

#include "models/Message.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>

class ChatMessageList;
class ChatService;
class MessageSender;

// After the channel was down: reads the conversation's newest pages, newest first,
// until one reaches a message already listed, and merges what was missed into the
// list by id. Missed messages go in where they belong as inserted rows; a listed
// message is left as it is; the server's copy of a message of this user that was
// never confirmed takes its place. Nothing listed is dropped.
class ChatCatchUp : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 pageSize = 50;
    // Pages read at most before the catch-up settles for what it found.
    static constexpr int maxPages = 20;

    ChatCatchUp(qint64 conversationId, qint64 currentUserId, ChatService& chatService, ChatMessageList& messages,
                MessageSender& sender, QObject* parent = nullptr);

    bool isRunning() const { return m_running; }
    // Catches up now, or once the catch-up under way has ended. What it finds is
    // dropped when the list was replaced meanwhile (a reload is current anyway).
    QCoro::Task<> run();
    void merge(const QList<Message>& chronological);

Q_SIGNALS:
    // Messages of other users went into the list.
    void othersArrived();

private:
    QCoro::Task<> readAndMerge();

    qint64 m_conversationId;
    qint64 m_currentUserId;
    ChatService& m_chatService;
    ChatMessageList& m_messages;
    MessageSender& m_sender;
    bool m_running = false;
    bool m_again = false;
};
