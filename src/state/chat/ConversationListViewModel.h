#pragma once

#include "models/Conversation.h"
#include "models/Message.h"
#include "state/chat/ConversationOrder.h"
#include "state/chat/SentPreviews.h"
#include "state/chat/StateTimer.h"
#include "state/common/ListReload.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class ChatService;
class GroupService;
class PrivatePeers;
class NotificationCenter;
class WebSocketService;

// The conversation column: the user's conversations in display order (pinned
// first, newest activity first), kept current from new messages, the open
// conversation's notifications and presence, with local unread counts and the
// filtered list the screen shows.
class ConversationListViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Conversation> conversations READ conversations NOTIFY conversationsChanged)
    Q_PROPERTY(QList<Conversation> filteredConversations READ filteredConversations NOTIFY
                   filteredConversationsChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    struct Dependencies {
        ChatService* chatService;
        GroupService* groupService;
        WebSocketService* wsService;
        NotificationCenter* notifications;
        std::shared_ptr<StateTimer::Factory> timers;
    };
    static Dependencies sharedDependencies();

    static constexpr qint64 searchDebounceMs = 300;
    // Presence look-ups (one member list per private conversation) in flight at once.
    static constexpr int maxParallelLookups = 4;


    // currentUserId: the signed-in user; their own messages never count as unread
    // and they are not the "other member" of a private conversation.
    explicit ConversationListViewModel(qint64 currentUserId, QObject* parent = nullptr);
    ConversationListViewModel(qint64 currentUserId, Dependencies dependencies, QObject* parent = nullptr);
    ~ConversationListViewModel() override;

    QList<Conversation> conversations() const { return m_conversations; }
    QList<Conversation> filteredConversations() const { return m_filteredConversations; }
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    std::optional<qint64> activeConversationId() const { return m_activeConversationId; }
    // Whether members of private conversations are still being looked up for presence.
    bool isResolvingPeers() const;

    // Never throws; a failure lands in error(). When loads overlap, only the
    // newest one's result is applied.
    QCoro::Task<> loadConversations();
    void applyFilter();
    // Deleting asks first: requestDelete() only raises the confirmation, which
    // confirmDelete() carries out and cancelDelete() drops.
    std::optional<Conversation> pendingDeletion() const { return m_pendingDeletion; }
    void requestDelete(const Conversation& conversation);
    void cancelDelete();
    QCoro::Task<> confirmDelete();
    // Removes the row at once; when the server refuses, the row comes back and
    // deleteFailed() carries the reason.
    QCoro::Task<> deleteConversation(Conversation conversation);
    void togglePin(const Conversation& conversation);
    void toggleMute(const Conversation& conversation);
    QCoro::Task<> markAsRead(Conversation conversation);
    void markLocallyRead(qint64 conversationId);
    void handleNewMessage(const Message& message);
    // clientMsgId: the message's, so that its failure can be shown on the row;
    // failed: it could not leave at all, and the row shows it failed at once.
    void handleMessageSent(qint64 conversationId, const QString& content, const std::optional<QString>& createdAt,
                           const std::optional<QString>& clientMsgId = std::nullopt, bool failed = false);
    // The server confirmed a message of this user (also late, after it failed): a
    // row that shows it, or shows an older message, shows it as sent.
    void handleMessageAck(const QString& clientMsgId, qint64 messageId);
    // A message of this user failed: a row whose preview is that message says so.
    void handleMessageFailed(const QString& clientMsgId);
    // A failed message of this user was thrown away: a row that shows it shows the
    // server's newest message instead.
    QCoro::Task<> handleMessageDiscarded(qint64 conversationId, QString clientMsgId);
    void handleConversationInactive(qint64 conversationId);
    // A message of a listed conversation was revoked (by anyone, this user too):
    // when it is the conversation's newest, the preview becomes the revoked notice.
    QCoro::Task<> handleRevoke(qint64 messageId, qint64 conversationId);
    void sortConversations();

    static QString lastMessagePreview(const Message& message);
    // The name shown and searched: the name, or "未命名会话".
    static QString displayName(const Conversation& conversation);

Q_SIGNALS:
    void conversationsChanged();
    // The filtered list changed as a whole.
    void filteredConversationsChanged();
    // One conversation of the filtered list changed: the row that was at from is at
    // to now (the same row when it kept its place). The only change this signal
    // stands for; filteredConversationsChanged() is not sent with it.
    void filteredConversationMoved(int from, int to);
    void searchTextChanged();
    void isLoadingChanged();
    void errorChanged();
    void pendingDeletionChanged();
    void deleteFailed(const QString& error);

private:
    void setupSearch();
    void setupSubscriptions();
    void setupPresence();
    void handleConnectionChange(bool connected);
    void handleSettingsChanged(const QVariantMap& info);
    Conversation* find(qint64 conversationId);
    void setIsLoading(bool loading);
    void setError(const QString& error);
    void publishConversations();
    // The conversation changed in place: it takes its place in the order when
    // reorder says so, and only its row is published.
    void conversationChanged(qint64 conversationId, bool reorder);
    bool matchesSearch(const Conversation& conversation) const;
    // Sets each private conversation's online flag from the channel's online users.
    bool applyPresence();
    void updatePresence();
    // The server's newest message of the conversation, asked for while the row
    // shows what it shows now; absent when the row has changed meanwhile (the
    // answer may be older than what it shows) or the question failed.
    QCoro::Task<std::optional<QList<Message>>> newestWhileUnchanged(qint64 conversationId);

    qint64 m_currentUserId;
    Dependencies m_deps;

    QList<Conversation> m_conversations;
    QList<Conversation> m_filteredConversations;
    QString m_searchText;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    std::optional<qint64> m_activeConversationId;
    QSet<qint64> m_readConversationIds;
    SentPreviews m_sentPreviews;

    std::unique_ptr<StateTimer> m_searchTimer;
    std::optional<bool> m_lastConnected;
    bool m_sawFirstConnection = false;
    ListReload<Conversation> m_reload;
    ConversationOrder m_order;
    // The list is in m_order's order. A load shows the server's order as it comes;
    // the first change that sorts orders the whole list, the next ones move one row.
    bool m_ordered = true;
    PrivatePeers* m_peers;
    // Previews that became a revoked notice this session, by conversation. The
    // server's list hides a revoked message's text but does not say it was
    // revoked, so a reload would show an empty preview instead.
    struct RevokedNewest {
        std::optional<QString> messageTime;
        Conversation::RevokedPreview preview;
    };
    QHash<qint64, RevokedNewest> m_revokedPreviews;
    void applyRevokedPreviews();
    std::optional<Conversation> m_pendingDeletion;
};
