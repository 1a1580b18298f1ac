#pragma once

#include "models/Message.h"
#include "state/chat/MessageSender.h"
#include "state/chat/StateTimer.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class APIClient;
class ChatCatchUp;
class ChatMessageList;
class ChatService;
class ClientIdService;
class KeychainService;
class NotificationCenter;
class ReadMarker;
class UnsentMessages;
class WebSocketService;

// One open conversation: its messages oldest first, paging, read marking, the live
// events of the channel, and sending (MessageSender) and catching up after an
// outage (ChatCatchUp) on the one list of messages (ChatMessageList).
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
    static constexpr qint64 maxFileBytes = MessageSender::maxFileBytes;

    // Posts "conversationActive" for the conversation; going away posts "conversationInactive".
    ChatViewModel(qint64 conversationId, qint64 currentUserId, QObject* parent = nullptr);
    ChatViewModel(qint64 conversationId, qint64 currentUserId, Dependencies dependencies, QObject* parent = nullptr);
    ~ChatViewModel() override;

    const QList<Message>& messages() const;
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
    // Where the next older page starts on the server: past every listed message the
    // server holds (those that arrived live or by catching up too), and never before
    // the end of the last page read.
    qint64 offset() const;
    // Client message ids of sent messages still waiting for their acknowledgement.
    QSet<QString> pendingMessages() const;
    ReadMarker& readMarker() const { return *m_readMarker; }

    // The chat is shown in the active window: messages that arrive are being read.
    void setOnScreen(bool onScreen);
    bool isOnScreen() const;

    // The newest page, then the read marking. Messages sent or received while it
    // loads stay in the list.
    QCoro::Task<> loadMessages();
    // The next older page; does nothing while the first page or another older page loads.
    // Its messages go in above the listed ones as inserted rows (the two signals
    // below), never as a new list.
    QCoro::Task<> loadMoreMessages();
    // After the channel was down: merges what was missed, or loads the newest page
    // when nothing of the server's is listed yet. Runs by itself when the channel
    // comes back.
    QCoro::Task<> catchUp();
    QCoro::Task<> revokeMessage(Message message);
    QCoro::Task<> addReaction(qint64 messageId, QString emoji);

    // Text as typed (the input bar trims it); empty text is ignored. Without a
    // connection the message is listed as failed, to be sent again from its bubble.
    void sendMessage(const QString& text);
    // A local file: uploaded, then sent as an image or a file message.
    QCoro::Task<> sendFile(QString filePath);
    // A picked file over the cap, refused before it was read or copied.
    void reportFileTooLarge();
    // A failed message of this user goes out again, listed last, under its client
    // message id: the server stores it once.
    void resendMessage(const Message& failed);
    // A failed message of this user that the server cannot hold is dropped for good.
    void discardMessage(const Message& failed);
    void userIsTyping();

    static QString mimeType(const QString& fileExtension);

Q_SIGNALS:
    void messagesChanged();
    // Messages first .. first + count - 1 are about to go into the list, and then
    // have gone in (an older page, or messages missed while the channel was down);
    // nothing else changed. A list shown on screen takes in only those rows instead
    // of comparing the whole list again, and one that shares the messages lets go
    // of them in between, so that they are not copied.
    void messagesAboutToBeInserted(qsizetype first, qsizetype count);
    void messagesInserted(qsizetype first, qsizetype count);
    // Messages first .. first + count - 1 are about to leave the list, and then
    // have left; nothing else changed.
    void messagesAboutToBeRemoved(qsizetype first, qsizetype count);
    void messagesRemoved(qsizetype first, qsizetype count);
    void isLoadingChanged();
    void isSendingChanged();
    void errorChanged();
    void typingUserNameChanged();
    void replyToMessageChanged();

private:
    void setupSubscriptions();
    void handleNewMessage(const Message& message);
    void handleTyping(qint64 userId, const QString& userName);
    void handleReaction(qint64 messageId, qint64 userId, const QString& emoji, const QString& action);
    void handleRead();
    void handleRevoke(qint64 messageId, bool byAdministrator);
    void handleEdit(qint64 messageId, const QString& content);
    void handleClearChatHistory(const QVariantMap& info);
    void handleConnectionChange(bool connected);
    void handleAcknowledged(const QString& clientMsgId);

    // The page (newest first) without the messages already listed.
    QList<Message> withoutListed(QList<Message> page) const;
    void setIsLoading(bool loading);
    void setIsSending(bool sending);
    void setError(const QString& error);
    void clearError();
    void setLocalizedError(const QString& key);
    void setTypingUserName(const std::optional<QString>& name);

    qint64 m_conversationId;
    qint64 m_currentUserId;
    Dependencies m_deps;

    ChatMessageList* m_messages;
    MessageSender* m_sender;
    ChatCatchUp* m_catchUp;
    ReadMarker* m_readMarker;
    bool m_isLoading = false;
    bool m_isSending = false;
    std::optional<QString> m_error;
    // The string-table key of the error, when the text is one of ours.
    std::optional<QString> m_errorKey;
    std::optional<QString> m_typingUserName;
    std::optional<Message> m_replyToMessage;
    std::unique_ptr<StateTimer> m_typingTimer;
    // The end of the last page read, on the server's list at the time.
    qint64 m_pagedOffset = 0;

    bool m_isLoadingMore = false;
    // Bumped by every first-page load so an older page that was asked for before
    // it is not spliced into the new list.
    quint64 m_pageGeneration = 0;
    bool m_lastConnected = false;
    // The channel came back while the first page was on its way: catch up after it.
    bool m_catchUpAfterLoad = false;
    // Unconfirmed when the error appeared: the acknowledgement of any other message is a later success.
    QSet<QString> m_pendingAtError;
};
