#pragma once

#include "models/Message.h"
#include "state/chat/StateTimer.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class APIClient;
class ChatService;
class ClientIdService;
class KeychainService;
class NotificationCenter;
class UnsentMessages;
class WebSocketService;

// One open conversation: its messages oldest first, paging, read marking, the
// live events of the channel, and sending with optimistic messages that the
// server's acknowledgement confirms by client message id.
class ChatViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Message> messages READ messages NOTIFY messagesChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool isSending READ isSending NOTIFY isSendingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(QString typingUserName READ typingUserNameText NOTIFY typingUserNameChanged)

public:
    struct Dependencies {
        ChatService* chatService;
        WebSocketService* wsService;
        ClientIdService* clientIdService;
        KeychainService* keychain;
        APIClient* api;
        NotificationCenter* notifications;
        std::shared_ptr<StateTimer::Factory> timers;
        UnsentMessages* unsent;
    };
    static Dependencies sharedDependencies();

    static constexpr qint64 pageSize = 50;
    static constexpr qint64 typingTimeoutMs = 3000;
    static constexpr qint64 maxFileBytes = 50LL * 1024 * 1024;
    // Pages a catch-up reads at most before it settles for what it found.
    static constexpr int maxCatchUpPages = 20;

    // Posts "conversationActive" for the conversation; going away posts "conversationInactive".
    ChatViewModel(qint64 conversationId, qint64 currentUserId, QObject* parent = nullptr);
    ChatViewModel(qint64 conversationId, qint64 currentUserId, Dependencies dependencies, QObject* parent = nullptr);
    ~ChatViewModel() override;

    const QList<Message>& messages() const { return m_messages; }
    bool isLoading() const { return m_isLoading; }
    bool isSending() const { return m_isSending; }
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    std::optional<QString> typingUserName() const { return m_typingUserName; }
    QString typingUserNameText() const { return m_typingUserName.value_or(QString()); }
    std::optional<Message> replyToMessage() const { return m_replyToMessage; }
    void setReplyToMessage(const std::optional<Message>& message);
    qint64 conversationId() const { return m_conversationId; }
    qint64 currentUserId() const { return m_currentUserId; }
    qint64 offset() const { return m_offset; }
    // Client message ids of sent messages still waiting for their acknowledgement.
    QSet<QString> pendingMessages() const { return m_pendingMessages; }

    // The newest page, then the read marking. Messages sent or received while it
    // loads stay in the list.
    QCoro::Task<> loadMessages();
    // The next older page; does nothing while the first page or another older page loads.
    // Its messages go in above the listed ones as inserted rows (the two signals
    // below), never as a new list.
    QCoro::Task<> loadMoreMessages();
    // After the channel was down: reads the newest pages until they reach what is
    // listed, and merges what was missed. Runs by itself when the channel comes back.
    QCoro::Task<> catchUp();
    // Puts the messages the list lacks (by id) in their place; each already listed,
    // or the server's copy of an unconfirmed one of this user, is updated instead.
    // Nothing listed is dropped.
    void mergeNewerMessages(const QList<Message>& chronological);
    QCoro::Task<> revokeMessage(Message message);
    QCoro::Task<> addReaction(qint64 messageId, QString emoji);

    // Text as typed (the input bar trims it); empty text is ignored.
    void sendMessage(const QString& text);
    // A local file: uploaded, then sent as an image or a file message.
    QCoro::Task<> sendFile(QString filePath);
    // A picked file over the cap, refused before it was read or copied.
    void reportFileTooLarge();
    // A failed message of this user goes out again as a new message, listed last.
    void resendMessage(const Message& failed);
    // A failed message of this user is dropped for good.
    void discardMessage(const Message& failed);
    void userIsTyping();

    static QString mimeType(const QString& fileExtension);

Q_SIGNALS:
    void messagesChanged();
    // Messages first .. first + count - 1 are about to go into the list, and then
    // have gone in; nothing else changed. A list shown on screen takes in only those
    // rows instead of comparing the whole list again, and one that shares the
    // messages lets go of them in between, so that they are not copied.
    void messagesAboutToBeInserted(qsizetype first, qsizetype count);
    void messagesInserted(qsizetype first, qsizetype count);
    void isLoadingChanged();
    void isSendingChanged();
    void errorChanged();
    void typingUserNameChanged();
    void replyToMessageChanged();
    // A text message could not go out (no connection): its bubble is marked failed
    // and the text is handed back so the screen can offer it again.
    void sendFailed(const QString& text);

private:
    void setupSubscriptions();
    QCoro::Task<> markAsRead();
    void sendImageMessage(const QString& url);
    void sendFileMessage(const QString& url, const QString& fileName, qint64 fileSize, const QString& mimeType);

    void handleMessageAck(const QString& clientMsgId, const QString& serverMsgId, qint64 messageId);
    void handleNewMessage(const Message& message);
    // The server refused the message, or never acknowledged it: its bubble turns failed.
    void handleMessageFailed(const QString& clientMsgId, const std::optional<QString>& serverReason);
    void handleTyping(qint64 userId, const QString& userName);
    void handleReaction(qint64 messageId, qint64 userId, const QString& emoji, const QString& action);
    void handleRead();
    void handleRevoke(qint64 messageId, bool byAdministrator);
    void handleEdit(qint64 messageId, const QString& content);
    void handleClearChatHistory(const QVariantMap& info);
    void handleConnectionChange(bool connected);

    // A new optimistic message of this user with a fresh temporary id and client id.
    Message makeOptimistic(const QString& type);
    // Lists it and sends its frame; without a connection it is marked failed
    // instead and nothing is sent. Returns whether it was sent.
    bool dispatch(Message message, const QJsonObject& payload);
    qint64 nextTemporaryId();
    Message* findById(qint64 id);
    // The page (newest first) without the messages already listed.
    QList<Message> withoutListed(QList<Message> page) const;
    // Takes a failed message of this user out of the chat and the unsent store.
    std::optional<Message> takeFailed(const Message& failed);
    void setIsLoading(bool loading);
    void setIsSending(bool sending);
    void setError(const QString& error);
    void clearError();
    void setLocalizedError(const QString& key);
    void setTypingUserName(const std::optional<QString>& name);
    void postMessageSent(const QString& content, const std::optional<QString>& createdAt, const QString& clientMsgId);

    qint64 m_conversationId;
    qint64 m_currentUserId;
    Dependencies m_deps;

    QList<Message> m_messages;
    bool m_isLoading = false;
    bool m_isSending = false;
    std::optional<QString> m_error;
    // The string-table key of the error, when the text is one of ours.
    std::optional<QString> m_errorKey;
    std::optional<QString> m_typingUserName;
    std::optional<Message> m_replyToMessage;
    std::unique_ptr<StateTimer> m_typingTimer;
    qint64 m_offset = 0;
    std::optional<QString> m_latestServerMsgId;
    QSet<QString> m_pendingMessages;

    bool m_isLoadingMore = false;
    // Bumped by every first-page load so an older page that was asked for before
    // it is not spliced into the new list.
    quint64 m_pageGeneration = 0;
    qint64 m_lastTemporaryId = 0;
    bool m_lastConnected = false;
    bool m_catchingUp = false;
    // The channel came back while a load or a catch-up was on its way: catch up after it.
    bool m_catchUpAgain = false;
    // Unconfirmed when the error appeared: the acknowledgement of any other message is a later success.
    QSet<QString> m_pendingAtError;
};
