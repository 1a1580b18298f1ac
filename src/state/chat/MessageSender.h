#pragma once

#include "models/Message.h"

#include <QCoroTask>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class APIClient;
class ChatMessageList;
class ClientIdService;
class KeychainService;
class NotificationCenter;
class UnsentMessages;
class WebSocketService;

// Sending in one conversation: the optimistic message listed at once, the frame that
// carries it, the client message ids still waiting for the server's acknowledgement,
// and what becomes of each message: confirmed by its acknowledgement (also a late
// one, after it was reported failed), failed, sent again under the same client
// message id so that the server stores it once whatever reached it before, or thrown
// away, which only a message the server cannot hold allows.
class MessageSender : public QObject {
    Q_OBJECT
public:
    struct Dependencies {
        WebSocketService* wsService;
        ClientIdService* clientIdService;
        KeychainService* keychain;
        NotificationCenter* notifications;
        UnsentMessages* unsent;
        APIClient* api;
    };
    static constexpr qint64 maxFileBytes = 50LL * 1024 * 1024;

    MessageSender(qint64 conversationId, qint64 currentUserId, ChatMessageList& messages, Dependencies dependencies,
                  QObject* parent = nullptr);

    // Client message ids of sent messages still waiting for their acknowledgement.
    QSet<QString> pendingMessages() const { return m_pendingMessages; }

    // Lists what this user sent here and the server has not confirmed, or refused,
    // while the chat was closed: still sending, or failed with its text.
    void listUnsent();
    // Returns whether the text went out (see dispatch()).
    bool sendText(const QString& text, std::optional<qint64> replyToId);
    // A local file: uploaded, then sent as an image or a file message.
    QCoro::Task<> sendFile(QString filePath);
    static QString mimeType(const QString& fileExtension);

    // A new optimistic message of this user with a fresh temporary id and client id.
    Message makeOptimistic(const QString& type);
    // Lists the message and sends its frame (the payload without "clientMsgId" and
    // "conversationId"), then tells the conversation list, which shows `preview`.
    // Without a connection it is listed as failed instead and nothing is sent; the
    // conversation list is told all the same, that it failed.
    // Returns whether it went out.
    bool dispatch(Message message, const QJsonObject& payload, const QString& preview);
    // A failed message of this user goes out again under its client message id, listed last.
    void resend(const Message& failed);
    // A failed message of this user that the server cannot hold leaves the chat for good.
    void discard(const Message& failed);
    // Failed, and either it never left this client or the server refused it.
    static bool canDiscard(const Message& message);
    // The server listed this message of this user: nothing waits for it any more.
    void settledByServer(const QString& clientMsgId);

Q_SIGNALS:
    // A message could not go out: there is no connection.
    void notSentOffline();
    // The server refused a message, with its reason, or never acknowledged one.
    void refused(const QString& reason);
    void notAcknowledged();
    // A file could not be read or uploaded, or is over the cap.
    void uploadFailed(const QString& reason);
    void acknowledged(const QString& clientMsgId);

private:
    void handleMessageAck(const QString& clientMsgId, const QString& serverMsgId, qint64 messageId);
    void handleMessageFailed(const QString& clientMsgId, const std::optional<QString>& serverReason);
    void sendImageMessage(const QString& url);
    void sendFileMessage(const QString& url, const QString& fileName, qint64 fileSize, const QString& mimeType);
    // Negative, and unique for the life of the process.
    static qint64 nextTemporaryId();
    enum class Outcome { OnItsWay, Failed };
    void postMessageSent(const QString& preview, const std::optional<QString>& createdAt, const QString& clientMsgId,
                         Outcome outcome);

    qint64 m_conversationId;
    qint64 m_currentUserId;
    ChatMessageList& m_messages;
    Dependencies m_deps;
    QSet<QString> m_pendingMessages;
};
