#include "state/chat/ConversationListViewModel.h"

#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "services/GroupService.h"
#include "state/chat/PrivatePeers.h"
#include "state/chat/UserInfo.h"
#include "state/common/ErrorDescription.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"

#include <QDebug>
#include <QPointer>

#include <algorithm>

namespace {

qsizetype rowOf(const QList<Conversation>& conversations, qint64 conversationId)
{
    for (qsizetype row = 0; row < conversations.size(); ++row) {
        if (conversations.at(row).id == conversationId)
            return row;
    }
    return -1;
}

} // namespace

ConversationListViewModel::Dependencies ConversationListViewModel::sharedDependencies()
{
    return Dependencies { &ChatService::shared(), &GroupService::shared(), WebSocketService::shared(),
                          &NotificationCenter::shared(), StateTimer::systemFactory() };
}

ConversationListViewModel::ConversationListViewModel(qint64 currentUserId, QObject* parent)
    : ConversationListViewModel(currentUserId, sharedDependencies(), parent)
{
}

ConversationListViewModel::ConversationListViewModel(qint64 currentUserId, Dependencies dependencies,
                                                     QObject* parent)
    : QObject(parent)
    , m_currentUserId(currentUserId)
    , m_deps(std::move(dependencies))
    , m_peers(new PrivatePeers(currentUserId, *m_deps.groupService, this))
{
    setupSearch();
    setupSubscriptions();
    setupPresence();
}

ConversationListViewModel::~ConversationListViewModel() = default;

bool ConversationListViewModel::isResolvingPeers() const
{
    return m_peers->isResolving();
}

void ConversationListViewModel::setupSearch()
{
    m_searchTimer = m_deps.timers->create(this, [this] { applyFilter(); });
    // The initial text counts as the first change.
    m_searchTimer->start(searchDebounceMs);
}

void ConversationListViewModel::setSearchText(const QString& text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged();
    m_searchTimer->start(searchDebounceMs);
}

void ConversationListViewModel::setupSubscriptions()
{
    WebSocketService* ws = m_deps.wsService;
    connect(ws, &WebSocketService::newMessageSubject, this, &ConversationListViewModel::handleNewMessage,
            Qt::QueuedConnection);
    connect(
        ws, &WebSocketService::messageAckSubject, this,
        [this](const QString& clientMsgId, const QString&, qint64 messageId) { handleMessageAck(clientMsgId, messageId); },
        Qt::QueuedConnection);
    connect(
        ws, &WebSocketService::messageFailedSubject, this,
        [this](const QString& clientMsgId) { handleMessageFailed(clientMsgId); }, Qt::QueuedConnection);
    connect(
        ws, &WebSocketService::revokeSubject, this,
        [this](qint64 messageId, qint64 conversationId) { handleRevoke(messageId, conversationId); },
        Qt::QueuedConnection);

    // Only reconnections reload: the first connection this object sees (or one
    // already up when it is made) is left to the main window's own first load.
    m_lastConnected = ws->isConnected();
    m_sawFirstConnection = ws->isConnected();
    connect(ws, &WebSocketService::isConnectedChanged, this, &ConversationListViewModel::handleConnectionChange,
            Qt::QueuedConnection);

    NotificationCenter* center = m_deps.notifications;
    center->observe(NotificationName::messageSent(), this, [this](const QVariantMap& info) {
        const std::optional<qint64> id = userInfo::integer(info, NotificationKey::conversationId());
        const std::optional<QString> content = userInfo::text(info, NotificationKey::content());
        if (id && content)
            handleMessageSent(*id, *content, userInfo::text(info, NotificationKey::createdAt()),
                              userInfo::text(info, NotificationKey::clientMsgId()),
                              userInfo::flag(info, NotificationKey::failed()).value_or(false));
    });
    center->observe(NotificationName::messageDiscarded(), this, [this](const QVariantMap& info) {
        const std::optional<qint64> id = userInfo::integer(info, NotificationKey::conversationId());
        const std::optional<QString> clientMsgId = userInfo::text(info, NotificationKey::clientMsgId());
        if (id && clientMsgId)
            handleMessageDiscarded(*id, *clientMsgId);
    });
    center->observe(NotificationName::conversationActive(), this, [this](const QVariantMap& info) {
        if (const std::optional<qint64> id = userInfo::integer(info, NotificationKey::conversationId())) {
            m_activeConversationId = *id;
            markLocallyRead(*id);
        }
    });
    center->observe(NotificationName::conversationInactive(), this, [this](const QVariantMap& info) {
        if (const std::optional<qint64> id = userInfo::integer(info, NotificationKey::conversationId()))
            handleConversationInactive(*id);
    });
    center->observe(NotificationName::conversationSettingsChanged(), this,
                    [this](const QVariantMap& info) { handleSettingsChanged(info); });
}

void ConversationListViewModel::setupPresence()
{
    WebSocketService* ws = m_deps.wsService;
    connect(ws, &WebSocketService::presenceSubject, this, &ConversationListViewModel::updatePresence,
            Qt::QueuedConnection);
    // A disconnect empties the online set without a presence event per user.
    connect(ws, &WebSocketService::onlineUsersChanged, this, &ConversationListViewModel::updatePresence,
            Qt::QueuedConnection);
    connect(m_peers, &PrivatePeers::resolved, this, &ConversationListViewModel::updatePresence);
}

void ConversationListViewModel::handleConnectionChange(bool connected)
{
    if (m_lastConnected == connected)
        return;
    m_lastConnected = connected;
    if (!connected)
        return;
    if (!m_sawFirstConnection) {
        m_sawFirstConnection = true;
        return;
    }
    loadConversations();
}

QCoro::Task<> ConversationListViewModel::loadConversations()
{
    QPointer<ConversationListViewModel> self(this);
    const quint64 ticket = m_reload.begin();
    setIsLoading(true);
    QList<Conversation> loaded;
    std::optional<QString> failure;
    try {
        loaded = co_await m_deps.chatService->getConversations();
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (!self || !m_reload.isLatest(ticket))
        co_return;
    if (failure) {
        setError(*failure);
        setIsLoading(false);
        co_return;
    }
    // A deletion that ended while the list was on its way is not undone by it.
    const bool settled = m_reload.settle(loaded);
    QHash<qint64, const Conversation*> shown;
    for (const Conversation& conversation : std::as_const(m_conversations))
        shown.insert(conversation.id, &conversation);
    bool keptNewer = false;
    for (Conversation& conversation : loaded) {
        // A message that came live while the list was on its way is newer than the list.
        const Conversation* current = shown.value(conversation.id);
        if (current && conversation.lastMessageId && current->lastMessageId > conversation.lastMessageId) {
            conversation.lastMessage = current->lastMessage;
            conversation.lastMessageTime = current->lastMessageTime;
            conversation.lastMessageId = current->lastMessageId;
            conversation.lastMessageNotice = current->lastMessageNotice;
            conversation.unreadCount = current->unreadCount;
            conversation.revokedPreview = current->revokedPreview;
            keptNewer = true;
        }
        if (m_readConversationIds.contains(conversation.id))
            conversation.unreadCount = 0;
        if (conversation.revokedPreview)
            conversation.revokedPreview->isMine = conversation.revokedPreview->senderId == m_currentUserId;
    }
    m_conversations = std::move(loaded);
    if (m_sentPreviews.applyTo(m_conversations) || keptNewer || settled)
        sortConversations();
    else
        m_ordered = false;
    applyRevokedPreviews();
    // Not awaited: whoever waits for the list (the main window's contact load) need
    // not wait for the look-ups of peers the server did not name.
    m_peers->resolve(m_conversations);
    applyPresence();
    publishConversations();
    setIsLoading(false);
}

void ConversationListViewModel::applyFilter()
{
    if (m_searchText.isEmpty()) {
        m_filteredConversations = m_conversations;
    } else {
        m_filteredConversations.clear();
        for (const Conversation& conversation : std::as_const(m_conversations)) {
            if (matchesSearch(conversation))
                m_filteredConversations.append(conversation);
        }
    }
    Q_EMIT filteredConversationsChanged();
}

bool ConversationListViewModel::matchesSearch(const Conversation& conversation) const
{
    return m_searchText.isEmpty() || displayName(conversation).contains(m_searchText, Qt::CaseInsensitive);
}

void ConversationListViewModel::requestDelete(const Conversation& conversation)
{
    m_pendingDeletion = conversation;
    Q_EMIT pendingDeletionChanged();
}

void ConversationListViewModel::cancelDelete()
{
    if (!m_pendingDeletion)
        return;
    m_pendingDeletion.reset();
    Q_EMIT pendingDeletionChanged();
}

QCoro::Task<> ConversationListViewModel::confirmDelete()
{
    if (!m_pendingDeletion)
        co_return;
    const Conversation conversation = *m_pendingDeletion;
    m_pendingDeletion.reset();
    Q_EMIT pendingDeletionChanged();
    co_await deleteConversation(conversation);
}

QCoro::Task<> ConversationListViewModel::deleteConversation(Conversation conversation)
{
    const qint64 id = conversation.id;
    const auto removed = std::find_if(m_conversations.cbegin(), m_conversations.cend(),
        [id](const Conversation& c) { return c.id == id; });
    if (removed == m_conversations.cend())
        co_return;
    // The newest local state of the row, to put back if the server refuses.
    const Conversation kept = *removed;
    m_reload.apply(m_conversations, ListReload<Conversation>::removal(id));
    publishConversations();
    QPointer<ConversationListViewModel> self(this);
    try {
        co_await m_deps.chatService->deleteConversation(id);
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        const QString description = errorDescription(error);
        qWarning().noquote() << "[Conversations] Delete failed:" << description;
        if (m_reload.apply(m_conversations, ListReload<Conversation>::addition(kept))) {
            sortConversations();
            publishConversations();
        }
        Q_EMIT deleteFailed(description);
        co_return;
    }
    // A reload that started while the deletion was on its way may have brought the
    // row back, or may still be on its way.
    if (self && m_reload.apply(m_conversations, ListReload<Conversation>::removal(id)))
        publishConversations();
}

void ConversationListViewModel::togglePin(const Conversation& conversation)
{
    Conversation* entry = find(conversation.id);
    if (!entry)
        return;
    entry->isPinned = !entry->isPinned.value_or(false);
    conversationChanged(entry->id, true);
}

void ConversationListViewModel::toggleMute(const Conversation& conversation)
{
    Conversation* entry = find(conversation.id);
    if (!entry)
        return;
    entry->isMuted = !entry->isMuted.value_or(false);
    conversationChanged(entry->id, false);
}

QCoro::Task<> ConversationListViewModel::markAsRead(Conversation conversation)
{
    markLocallyRead(conversation.id);
    try {
        co_await m_deps.chatService->markAsRead(conversation.id);
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Conversations] Mark as read failed:" << errorDescription(error);
    }
}

void ConversationListViewModel::markLocallyRead(qint64 conversationId)
{
    m_readConversationIds.insert(conversationId);
    if (Conversation* entry = find(conversationId)) {
        entry->unreadCount = 0;
        conversationChanged(conversationId, false);
    }
}

void ConversationListViewModel::handleNewMessage(const Message& message)
{
    Conversation* entry = find(message.conversationId);
    if (!entry) {
        loadConversations();
        return;
    }
    // The message the row shows, come again (or this client's own, confirmed already).
    if (entry->lastMessageId == message.id || m_sentPreviews.isShownAs(entry->id, message.id))
        return;
    // An older message never takes the place of a newer one.
    if (!entry->lastMessageId || message.id > *entry->lastMessageId) {
        entry->lastMessage = lastMessagePreview(message);
        entry->lastMessageNotice = message.notice;
        entry->lastMessageTime = message.createdAt;
        entry->lastMessageId = message.id;
        entry->revokedPreview.reset();
        entry->lastMessageFailed = false;
        m_sentPreviews.overtaken(entry->id);
    }
    if (m_activeConversationId != entry->id) {
        // Whatever was read before, this message is new: a later reload must not
        // force the count back to zero.
        m_readConversationIds.remove(entry->id);
        if (message.senderId != m_currentUserId)
            entry->unreadCount = entry->unreadCount.value_or(0) + 1;
    }
    conversationChanged(entry->id, true);
}

void ConversationListViewModel::handleMessageSent(qint64 conversationId, const QString& content,
                                                  const std::optional<QString>& createdAt,
                                                  const std::optional<QString>& clientMsgId, bool failed)
{
    Conversation* entry = find(conversationId);
    if (!entry)
        return;
    m_sentPreviews.sent(*entry, clientMsgId, content, createdAt);
    if (failed)
        m_sentPreviews.failed(*entry);
    conversationChanged(conversationId, true);
}

void ConversationListViewModel::handleMessageAck(const QString& clientMsgId, qint64 messageId)
{
    const std::optional<qint64> conversationId = m_sentPreviews.conversationOf(clientMsgId);
    Conversation* entry = conversationId ? find(*conversationId) : nullptr;
    if (!entry || !m_sentPreviews.acknowledged(*entry, messageId))
        return;
    conversationChanged(entry->id, true);
}

void ConversationListViewModel::handleMessageFailed(const QString& clientMsgId)
{
    const std::optional<qint64> conversationId = m_sentPreviews.conversationOf(clientMsgId);
    Conversation* entry = conversationId ? find(*conversationId) : nullptr;
    if (entry && m_sentPreviews.failed(*entry))
        conversationChanged(entry->id, false);
}

QCoro::Task<> ConversationListViewModel::handleMessageDiscarded(qint64 conversationId, QString clientMsgId)
{
    if (!m_sentPreviews.discarded(conversationId, clientMsgId))
        co_return;
    QPointer<ConversationListViewModel> self(this);
    const std::optional<QList<Message>> newest = co_await newestWhileUnchanged(conversationId);
    Conversation* entry = self && newest ? find(conversationId) : nullptr;
    if (!entry)
        co_return;
    entry->lastMessageFailed = false;
    entry->revokedPreview.reset();
    if (newest->isEmpty()) {
        entry->lastMessage.reset();
        entry->lastMessageTime.reset();
        entry->lastMessageId.reset();
    } else {
        entry->lastMessage = lastMessagePreview(newest->first());
        entry->lastMessageTime = newest->first().createdAt;
        entry->lastMessageId = newest->first().id;
    }
    // The newest may be the revoked message whose notice the row showed before the
    // failed one took it: the notice shows again, as it would after a reload.
    const auto revoked = m_revokedPreviews.constFind(conversationId);
    if (revoked != m_revokedPreviews.constEnd() && revoked->messageTime == entry->lastMessageTime)
        entry->revokedPreview = revoked->preview;
    conversationChanged(conversationId, true);
}

void ConversationListViewModel::handleConversationInactive(qint64 conversationId)
{
    if (m_activeConversationId == conversationId)
        m_activeConversationId.reset();
    m_readConversationIds.remove(conversationId);
}

void ConversationListViewModel::handleSettingsChanged(const QVariantMap& info)
{
    const std::optional<qint64> id = userInfo::integer(info, NotificationKey::conversationId());
    Conversation* entry = id ? find(*id) : nullptr;
    if (!entry)
        return;
    if (const std::optional<bool> muted = userInfo::flag(info, NotificationKey::isMuted()))
        entry->isMuted = *muted;
    const std::optional<bool> pinned = userInfo::flag(info, NotificationKey::isPinned());
    if (pinned)
        entry->isPinned = *pinned;
    conversationChanged(entry->id, pinned.has_value());
}

void ConversationListViewModel::sortConversations()
{
    m_order.sort(m_conversations);
    m_ordered = true;
}

void ConversationListViewModel::conversationChanged(qint64 conversationId, bool reorder)
{
    qsizetype row = rowOf(m_conversations, conversationId);
    if (row < 0)
        return;
    if (reorder && !m_ordered) {
        // The server's order, shown since the load, gives way to the list's own.
        sortConversations();
        publishConversations();
        return;
    }
    // One row moves and one row is published: a message costs the same whatever
    // the number of conversations.
    if (reorder)
        row = m_order.reposition(m_conversations, row);
    Q_EMIT conversationsChanged();
    const Conversation& conversation = m_conversations.at(row);
    const qsizetype shown = rowOf(m_filteredConversations, conversationId);
    if ((shown >= 0) != matchesSearch(conversation)) {
        applyFilter();
        return;
    }
    if (shown < 0)
        return;
    m_filteredConversations[shown] = conversation;
    const qsizetype shownNow = reorder ? m_order.reposition(m_filteredConversations, shown) : shown;
    Q_EMIT filteredConversationMoved(int(shown), int(shownNow));
}

QString ConversationListViewModel::lastMessagePreview(const Message& message)
{
    const QString& type = message.type;
    if (type == u"image")
        return QStringLiteral("[图片]");
    if (type == u"voice")
        return QStringLiteral("[语音]");
    if (type == u"video")
        return QStringLiteral("[视频]");
    if (type == u"file")
        return QStringLiteral("[文件] ") + message.fileName.value_or(QString());
    if (type == u"sticker")
        return QStringLiteral("[表情]");
    if (type == u"location")
        return QStringLiteral("[位置]");
    if (type == u"contact_card")
        return QStringLiteral("[名片]");
    if (type == u"system")
        return message.content.value_or(QStringLiteral("[系统消息]"));
    return message.content.value_or(QString());
}

QString ConversationListViewModel::displayName(const Conversation& conversation)
{
    return conversation.name.value_or(QStringLiteral("未命名会话"));
}

Conversation* ConversationListViewModel::find(qint64 conversationId)
{
    for (Conversation& conversation : m_conversations) {
        if (conversation.id == conversationId)
            return &conversation;
    }
    return nullptr;
}

void ConversationListViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void ConversationListViewModel::setError(const QString& error)
{
    m_error = error;
    Q_EMIT errorChanged();
}

void ConversationListViewModel::publishConversations()
{
    Q_EMIT conversationsChanged();
    applyFilter();
}

QCoro::Task<> ConversationListViewModel::handleRevoke(qint64 messageId, qint64 conversationId)
{
    const Conversation* listed = find(conversationId);
    // Known not to be the newest: the preview stays.
    if (!listed || (listed->lastMessageId && *listed->lastMessageId != messageId))
        co_return;
    // The event does not say whether the message was the newest one; the server's
    // newest message of the conversation does.
    QPointer<ConversationListViewModel> self(this);
    const std::optional<QList<Message>> newest = co_await newestWhileUnchanged(conversationId);
    if (!self || !newest || newest->isEmpty() || newest->first().id != messageId)
        co_return;
    const Message& revoked = newest->first();
    Conversation* conversation = find(conversationId);
    if (!conversation)
        co_return;
    const Conversation::RevokedPreview preview { revoked.senderId == m_currentUserId, revoked.senderName.value_or(QString()),
                                                 revoked.removedByAdmin.value_or(false), revoked.senderId };
    conversation->revokedPreview = preview;
    // Remembered by the server's time of the message, which a reload lists as the
    // conversation's last message time.
    m_revokedPreviews.insert(conversationId, RevokedNewest { revoked.createdAt, preview });
    conversationChanged(conversationId, false);
}

QCoro::Task<std::optional<QList<Message>>> ConversationListViewModel::newestWhileUnchanged(qint64 conversationId)
{
    const auto shown = [this, conversationId] {
        const Conversation* conversation = find(conversationId);
        return conversation ? std::optional(std::tuple(conversation->lastMessage, conversation->lastMessageTime,
                                                       conversation->lastMessageId))
                            : std::nullopt;
    };
    const auto before = shown();
    QPointer<ConversationListViewModel> self(this);
    ChatService* chat = m_deps.chatService;
    QList<Message> newest;
    try {
        newest = co_await chat->getMessages(conversationId, 1, 0);
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Conversations] Newest message of" << conversationId << "unavailable:" << errorDescription(error);
        co_return std::nullopt;
    }
    // Whatever changed the row meanwhile is at least as new as the answer.
    if (!self || !before || shown() != before)
        co_return std::nullopt;
    co_return newest;
}

void ConversationListViewModel::applyRevokedPreviews()
{
    for (Conversation& conversation : m_conversations) {
        const auto revoked = m_revokedPreviews.constFind(conversation.id);
        if (revoked == m_revokedPreviews.constEnd())
            continue;
        // A newer message since then ends the notice.
        if (conversation.lastMessageTime != revoked->messageTime) {
            m_revokedPreviews.erase(revoked);
            continue;
        }
        conversation.revokedPreview = revoked->preview;
    }
}

void ConversationListViewModel::updatePresence()
{
    if (applyPresence())
        publishConversations();
}

bool ConversationListViewModel::applyPresence()
{
    return m_peers->applyPresence(m_conversations, m_deps.wsService->onlineUsers());
}
