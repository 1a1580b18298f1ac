#pragma once

#include "models/Message.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class WebSocketService;

// The messages this client sent that the server has not confirmed yet, and those
// that failed, for as long as the account the channel serves. They outlive the chat screen
// that sent them: a chat opened again lists them (still sending, or failed with
// their text), so an end that came while it was closed is not lost.
class UnsentMessages : public QObject {
    Q_OBJECT
public:
    explicit UnsentMessages(WebSocketService& channel, QObject* parent = nullptr);
    // The one that follows the shared channel.
    static UnsentMessages& shared();

    // An optimistic message with its client message id, sent or already failed.
    void add(const Message& message);
    // Resent or thrown away by the user.
    void remove(const QString& clientMsgId);
    // Oldest first; only this sender's, since the channel may have served another account.
    QList<Message> messagesOf(qint64 conversationId, qint64 senderId) const;

private:
    void acknowledged(const QString& clientMsgId);
    void failed(const QString& clientMsgId, bool refused);

    QList<Message> m_messages;
};
