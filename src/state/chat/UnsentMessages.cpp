#include "state/chat/UnsentMessages.h"

#include "network/WebSocketService.h"

UnsentMessages::UnsentMessages(WebSocketService& channel, QObject* parent)
    : QObject(parent)
{
    connect(&channel, &WebSocketService::messageAckSubject, this,
            [this](const QString& clientMsgId) { acknowledged(clientMsgId); });
    connect(&channel, &WebSocketService::messageFailedSubject, this,
            [this](const QString& clientMsgId, const std::optional<QString>& serverReason) {
                failed(clientMsgId, serverReason.has_value());
            });
    // Signed out, or another account signed in: nothing of the last one is shown or sent again.
    connect(&channel, &WebSocketService::accountEnded, this, [this] { m_messages.clear(); });
}

UnsentMessages& UnsentMessages::shared()
{
    // Lives as long as the channel it follows: the whole process.
    static UnsentMessages* const instance = [] {
        WebSocketService* channel = WebSocketService::shared();
        auto* unsent = new UnsentMessages(*channel);
        unsent->moveToThread(channel->thread());
        return unsent;
    }();
    return *instance;
}

void UnsentMessages::add(const Message& message)
{
    if (message.clientMessageId)
        m_messages.append(message);
}

void UnsentMessages::remove(const QString& clientMsgId)
{
    m_messages.removeIf([&clientMsgId](const Message& message) { return message.clientMessageId == clientMsgId; });
}

QList<Message> UnsentMessages::messagesOf(qint64 conversationId, qint64 senderId) const
{
    QList<Message> found;
    for (const Message& message : m_messages) {
        if (message.conversationId == conversationId && message.senderId == senderId)
            found.append(message);
    }
    return found;
}

void UnsentMessages::acknowledged(const QString& clientMsgId)
{
    remove(clientMsgId);
}

void UnsentMessages::failed(const QString& clientMsgId, bool refused)
{
    for (Message& message : m_messages) {
        if (message.clientMessageId != clientMsgId)
            continue;
        message.status = QStringLiteral("failed");
        // The server said no: it does not hold the message.
        if (refused)
            message.mayBeOnServer = false;
    }
}
