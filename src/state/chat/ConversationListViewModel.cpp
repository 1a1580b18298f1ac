#include "state/chat/ConversationListViewModel.h"

#include "models/GroupMember.h"
#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "services/GroupService.h"
#include "state/chat/ConversationOrder.h"
#include "state/chat/UserInfo.h"
#include "state/common/ErrorDescription.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"

#include <QDebug>
#include <QPointer>

#include <algorithm>

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
{
    setupSearch();
    setupSubscriptions();
    setupPresence();
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
                              userInfo::text(info, NotificationKey::clientMsgId()));
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
    const quint64 generation = ++m_loadGeneration;
    setIsLoading(true);
    QList<Conversation> loaded;
    std::optional<QString> failure;
    try {
        loaded = co_await m_deps.chatService->getConversations();
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (!self || generation != m_loadGeneration)
        co_return;
    if (failure) {
        setError(*failure);
        setIsLoading(false);
        co_return;
    }
    for (Conversation& conversation : loaded) {
        if (m_readConversationIds.contains(conversation.id))
            conversation.unreadCount = 0;
        if (conversation.revokedPreview)
            conversation.revokedPreview->isMine = conversation.revokedPreview->senderId == m_currentUserId;
    }
    m_conversations = std::move(loaded);
    // The server's previews show what it stored, never a message still on its way.
    m_lastSentClientIds.clear();
    applyRevokedPreviews();
    // Not awaited: whoever waits for the list (the main window's contact load) need
    // not wait for the look-ups of peers the server did not name.
    resolvePrivatePeers();
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
            if (displayName(conversation).contains(m_searchText, Qt::CaseInsensitive))
                m_filteredConversations.append(conversation);
        }
    }
    Q_EMIT filteredConversationsChanged();
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
    m_conversations.removeIf([id](const Conversation& c) { return c.id == id; });
    publishConversations();
    QPointer<ConversationListViewModel> self(this);
    try {
        co_await m_deps.chatService->deleteConversation(id);
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        const QString description = errorDescription(error);
        qWarning().noquote() << "[Conversations] Delete failed:" << description;
        if (!find(id)) {
            m_conversations.append(kept);
            sortConversations();
            publishConversations();
        }
        Q_EMIT deleteFailed(description);
    }
}

void ConversationListViewModel::togglePin(const Conversation& conversation)
{
    Conversation* entry = find(conversation.id);
    if (!entry)
        return;
    entry->isPinned = !entry->isPinned.value_or(false);
    sortConversations();
    publishConversations();
}

void ConversationListViewModel::toggleMute(const Conversation& conversation)
{
    Conversation* entry = find(conversation.id);
    if (!entry)
        return;
    entry->isMuted = !entry->isMuted.value_or(false);
    publishConversations();
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
        publishConversations();
    }
}

void ConversationListViewModel::handleNewMessage(const Message& message)
{
    Conversation* entry = find(message.conversationId);
    if (!entry) {
        loadConversations();
        return;
    }
    entry->lastMessage = lastMessagePreview(message);
    entry->lastMessageNotice = message.notice;
    entry->revokedPreview.reset();
    entry->lastMessageFailed = false;
    m_lastSentClientIds.remove(entry->id);
    entry->lastMessageTime = message.createdAt;
    if (m_activeConversationId != entry->id) {
        // Whatever was read before, this message is new: a later reload must not
        // force the count back to zero.
        m_readConversationIds.remove(entry->id);
        if (message.senderId != m_currentUserId)
            entry->unreadCount = entry->unreadCount.value_or(0) + 1;
    }
    sortConversations();
    publishConversations();
}

void ConversationListViewModel::handleMessageSent(qint64 conversationId, const QString& content,
                                                  const std::optional<QString>& createdAt,
                                                  const std::optional<QString>& clientMsgId)
{
    Conversation* entry = find(conversationId);
    if (!entry)
        return;
    entry->lastMessage = content;
    entry->lastMessageNotice.reset();
    entry->revokedPreview.reset();
    entry->lastMessageFailed = false;
    if (clientMsgId)
        m_lastSentClientIds.insert(conversationId, *clientMsgId);
    else
        m_lastSentClientIds.remove(conversationId);
    entry->lastMessageTime = createdAt;
    sortConversations();
    publishConversations();
}

void ConversationListViewModel::handleMessageFailed(const QString& clientMsgId)
{
    const qint64 conversationId = m_lastSentClientIds.key(clientMsgId, 0);
    Conversation* entry = conversationId ? find(conversationId) : nullptr;
    if (!entry)
        return;
    m_lastSentClientIds.remove(conversationId);
    entry->lastMessageFailed = true;
    publishConversations();
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
    if (const std::optional<bool> pinned = userInfo::flag(info, NotificationKey::isPinned())) {
        entry->isPinned = *pinned;
        sortConversations();
    }
    publishConversations();
}

void ConversationListViewModel::sortConversations()
{
    conversationOrder::sort(m_conversations);
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

void ConversationListViewModel::resolvePrivatePeers()
{
    for (const Conversation& conversation : std::as_const(m_conversations)) {
        const qint64 id = conversation.id;
        if (conversation.type == u"private" && conversation.peerId) {
            m_privatePeers.insert(id, *conversation.peerId);
            continue;
        }
        if (conversation.type == u"private" && !m_privatePeers.contains(id) && !m_resolving.contains(id)
            && !m_unresolvable.contains(id)) {
            m_resolving.insert(id);
            m_peerQueue.append(id);
        }
    }
    while (m_activeLookups < maxParallelLookups && !m_peerQueue.isEmpty()) {
        ++m_activeLookups;
        peerLookupWorker();
    }
}

QCoro::Task<> ConversationListViewModel::peerLookupWorker()
{
    QPointer<ConversationListViewModel> self(this);
    GroupService* groups = m_deps.groupService;
    while (!m_peerQueue.isEmpty()) {
        const qint64 conversationId = m_peerQueue.takeFirst();
        QList<GroupMember> members;
        try {
            members = co_await groups->getMembers(conversationId);
        } catch (const std::exception& error) {
            qWarning().noquote() << "[Conversations] Members of" << conversationId << "unavailable:" << errorDescription(error);
        }
        if (!self)
            co_return;
        std::optional<qint64> peer;
        for (const GroupMember& member : std::as_const(members)) {
            if (member.userId != m_currentUserId) {
                peer = member.userId;
                break;
            }
        }
        m_resolving.remove(conversationId);
        // Asked once per session: a conversation whose members cannot be read (or
        // that has no other member) would otherwise be asked about at every reload.
        if (peer)
            m_privatePeers.insert(conversationId, *peer);
        else
            m_unresolvable.insert(conversationId);
        updatePresence();
    }
    --m_activeLookups;
}

QCoro::Task<> ConversationListViewModel::handleRevoke(qint64 messageId, qint64 conversationId)
{
    if (!find(conversationId))
        co_return;
    // The event does not say whether the message was the newest one; the server's
    // newest message of the conversation does.
    QPointer<ConversationListViewModel> self(this);
    QList<Message> newest;
    try {
        newest = co_await m_deps.chatService->getMessages(conversationId, 1, 0);
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Conversations] Newest message of" << conversationId << "unavailable:" << errorDescription(error);
        co_return;
    }
    if (!self || newest.isEmpty() || newest.first().id != messageId)
        co_return;
    const Message& revoked = newest.first();
    Conversation* conversation = find(conversationId);
    if (!conversation)
        co_return;
    const Conversation::RevokedPreview preview { revoked.senderId == m_currentUserId, revoked.senderName.value_or(QString()),
                                                 revoked.removedByAdmin.value_or(false), revoked.senderId };
    conversation->revokedPreview = preview;
    // Remembered by the server's time of the message, which a reload lists as the
    // conversation's last message time.
    m_revokedPreviews.insert(conversationId, RevokedNewest { revoked.createdAt, preview });
    publishConversations();
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
    const QSet<qint64> online = m_deps.wsService->onlineUsers();
    bool changed = false;
    for (Conversation& conversation : m_conversations) {
        if (conversation.type == u"group")
            continue;
        const auto peer = m_privatePeers.constFind(conversation.id);
        if (peer == m_privatePeers.constEnd())
            continue;
        const bool isOnline = online.contains(*peer);
        if (conversation.online.value_or(false) != isOnline) {
            conversation.online = isOnline;
            changed = true;
        }
    }
    return changed;
}
