#include "state/chat/ChatViewModel.h"

#include "network/APIClient.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "state/chat/ChatCatchUp.h"
#include "state/chat/ChatMessageList.h"
#include "state/chat/MessageSender.h"
#include "state/chat/ReadMarker.h"
#include "state/chat/UnsentMessages.h"
#include "state/chat/UserInfo.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "state/common/PrintfFormat.h"

#include <QDateTime>
#include <QPointer>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

QString uploadFailed(const QString& reason)
{
    return LocalizationManager::shared().localizedString(QStringLiteral("chat.upload_failed")) + reason;
}

// An internet date-time in UTC with whole seconds: Qt::ISODate leaves the
// milliseconds out ("2025-03-01T08:15:00Z").
QString isoNow()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

} // namespace

ChatViewModel::Dependencies ChatViewModel::sharedDependencies()
{
    return Dependencies { &ChatService::shared(),      WebSocketService::shared(),   &ClientIdService::shared(),
                          &KeychainService::shared(),  &APIClient::shared(),         &NotificationCenter::shared(),
                          StateTimer::systemFactory(), &UnsentMessages::shared() };
}

ChatViewModel::ChatViewModel(qint64 conversationId, qint64 currentUserId, QObject* parent)
    : ChatViewModel(conversationId, currentUserId, sharedDependencies(), parent)
{
}

ChatViewModel::ChatViewModel(qint64 conversationId, qint64 currentUserId, Dependencies dependencies,
                             QObject* parent)
    : QObject(parent)
    , m_conversationId(conversationId)
    , m_currentUserId(currentUserId)
    , m_deps(std::move(dependencies))
    , m_messages(new ChatMessageList(this))
    , m_sender(new MessageSender(conversationId, currentUserId, *m_messages,
                                 MessageSender::Dependencies { m_deps.wsService, m_deps.clientIdService, m_deps.keychain,
                                                               m_deps.notifications, m_deps.unsent, m_deps.api },
                                 this))
    , m_catchUp(new ChatCatchUp(conversationId, currentUserId, *m_deps.chatService, *m_messages, *m_sender, this))
    , m_readMarker(new ReadMarker(conversationId, currentUserId,
                                  ReadMarker::Dependencies { m_deps.chatService, m_deps.wsService, m_deps.notifications,
                                                             m_deps.timers.get() },
                                  this))
{
    connect(m_messages, &ChatMessageList::changed, this, &ChatViewModel::messagesChanged);
    connect(m_messages, &ChatMessageList::aboutToBeInserted, this, &ChatViewModel::messagesAboutToBeInserted);
    connect(m_messages, &ChatMessageList::inserted, this, &ChatViewModel::messagesInserted);
    connect(m_messages, &ChatMessageList::aboutToBeRemoved, this, &ChatViewModel::messagesAboutToBeRemoved);
    connect(m_messages, &ChatMessageList::removed, this, &ChatViewModel::messagesRemoved);

    connect(m_sender, &MessageSender::notSentOffline, this, [this] { setLocalizedError(QStringLiteral("chat.not_sent_offline")); });
    connect(m_sender, &MessageSender::refused, this, [this](const QString& reason) {
        setError(printfFormat(LocalizationManager::shared().localizedString(QStringLiteral("chat.not_sent_refused")), { reason }));
    });
    connect(m_sender, &MessageSender::notAcknowledged, this, [this] { setLocalizedError(QStringLiteral("chat.not_acknowledged")); });
    connect(m_sender, &MessageSender::acknowledged, this, &ChatViewModel::handleAcknowledged);
    connect(m_sender, &MessageSender::uploadFailed, this, [this](const QString& reason) { setError(uploadFailed(reason)); });
    connect(m_catchUp, &ChatCatchUp::othersArrived, m_readMarker, &ReadMarker::messagesArrived);

    m_typingTimer = m_deps.timers->create(this, [this] { setTypingUserName(std::nullopt); });
    // An error of our own wording follows a language switch like the rest of the screen.
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, [this] {
        if (m_errorKey)
            setLocalizedError(*m_errorKey);
    });
    m_sender->listUnsent();
    m_lastConnected = m_deps.wsService->isConnected();
    setupSubscriptions();
    m_deps.notifications->post(NotificationName::conversationActive(),
                               { { NotificationKey::conversationId(), m_conversationId } });
}

ChatViewModel::~ChatViewModel()
{
    m_deps.notifications->post(NotificationName::conversationInactive(),
                               { { NotificationKey::conversationId(), m_conversationId } });
}

const QList<Message>& ChatViewModel::messages() const
{
    return m_messages->messages();
}

QSet<QString> ChatViewModel::pendingMessages() const
{
    return m_sender->pendingMessages();
}

qint64 ChatViewModel::offset() const
{
    return std::max(m_pagedOffset, qint64(m_messages->countOnServer()));
}

void ChatViewModel::setOnScreen(bool onScreen)
{
    m_readMarker->setOnScreen(onScreen);
}

bool ChatViewModel::isOnScreen() const
{
    return m_readMarker->isOnScreen();
}

void ChatViewModel::setupSubscriptions()
{
    WebSocketService* ws = m_deps.wsService;
    const qint64 id = m_conversationId;
    constexpr auto queued = Qt::QueuedConnection;

    connect(
        ws, &WebSocketService::newMessageSubject, this,
        [this, id](const Message& message) {
            if (message.conversationId == id)
                handleNewMessage(message);
        },
        queued);
    connect(
        ws, &WebSocketService::typingSubject, this,
        [this, id](qint64 conversationId, qint64 userId, const QString& userName) {
            if (conversationId == id)
                handleTyping(userId, userName);
        },
        queued);
    connect(ws, &WebSocketService::reactionSubject, this, &ChatViewModel::handleReaction, queued);
    connect(ws, &WebSocketService::isConnectedChanged, this, &ChatViewModel::handleConnectionChange, queued);
    connect(
        ws, &WebSocketService::readSubject, this,
        [this, id](qint64 conversationId, qint64 userId) {
            if (conversationId == id && userId != m_currentUserId)
                handleRead();
        },
        queued);
    connect(
        ws, &WebSocketService::revokeSubject, this,
        [this, id](qint64 messageId, qint64 conversationId, bool byAdministrator) {
            if (conversationId == id)
                handleRevoke(messageId, byAdministrator);
        },
        queued);
    connect(
        ws, &WebSocketService::editSubject, this,
        [this, id](qint64 messageId, qint64 conversationId, const QString& content) {
            if (conversationId == id)
                handleEdit(messageId, content);
        },
        queued);
    m_deps.notifications->observe(NotificationName::clearChatHistory(), this,
                                  [this](const QVariantMap& info) { handleClearChatHistory(info); });
}

void ChatViewModel::setReplyToMessage(const std::optional<Message>& message)
{
    m_replyToMessage = message;
    Q_EMIT replyToMessageChanged();
}

QCoro::Task<> ChatViewModel::loadMessages()
{
    QPointer<ChatViewModel> self(this);
    const quint64 generation = ++m_pageGeneration;
    setIsLoading(true);
    QSet<qint64> listedBefore;
    for (const Message& message : messages())
        listedBefore.insert(message.id);

    QList<Message> page;
    std::optional<QString> failure;
    try {
        page = co_await m_deps.chatService->getMessages(m_conversationId, pageSize, 0);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (!self || generation != m_pageGeneration)
        co_return;
    if (failure) {
        setIsLoading(false);
        // The page was asked for before the channel came back (it waited out a time-out
        // meanwhile, say): the server is there again, so it is asked for again, and
        // only that answer is worth an error line.
        if (std::exchange(m_catchUpAfterLoad, false))
            catchUp();
        else
            setError(*failure);
        co_return;
    }

    QList<Message> list;
    QSet<qint64> pageIds;
    QSet<QString> pageClientIds;
    list.reserve(page.size());
    for (auto it = page.crbegin(); it != page.crend(); ++it) {
        Message message = *it;
        if (message.senderId == m_currentUserId && !message.status)
            message.status = QStringLiteral("sent");
        pageIds.insert(message.id);
        if (message.clientMessageId)
            pageClientIds.insert(*message.clientMessageId);
        list.append(std::move(message));
    }
    // What was sent or arrived while the page was on its way, and unconfirmed
    // messages of this user, stay below the page unless the page holds them
    // (an unconfirmed one is found there by its client id).
    for (const Message& message : messages()) {
        const bool inPage = pageIds.contains(message.id)
            || (message.clientMessageId && pageClientIds.contains(*message.clientMessageId));
        if (!inPage && (message.id < 0 || !listedBefore.contains(message.id)))
            list.append(message);
        else if (inPage && message.id < 0 && message.clientMessageId)
            m_sender->settledByServer(*message.clientMessageId);
    }
    m_pagedOffset = page.size();
    m_messages->replaceAll(std::move(list));
    co_await m_readMarker->markNow();
    if (!self)
        co_return;
    setIsLoading(false);
    // The page may have been read before the channel came back.
    if (std::exchange(m_catchUpAfterLoad, false))
        catchUp();
}

void ChatViewModel::handleConnectionChange(bool connected)
{
    const bool cameBack = connected && !m_lastConnected;
    m_lastConnected = connected;
    if (!cameBack)
        return;
    // What the error line said was about the way to the server, which is back.
    clearError();
    // Not shown yet: the first page, when it is asked for, is current anyway.
    if (m_pageGeneration == 0)
        return;
    catchUp();
}

QCoro::Task<> ChatViewModel::catchUp()
{
    if (m_isLoading) {
        m_catchUpAfterLoad = true;
        co_return;
    }
    // Nothing of the server's is listed (the first page never came, or the chat was
    // empty): a catch-up would have nothing to meet and would read the whole history
    // back to the first message. The chat opens as it would now: the newest page,
    // older ones on demand.
    if (m_messages->countOnServer() == 0) {
        co_await loadMessages();
        co_return;
    }
    co_await m_catchUp->run();
}

QCoro::Task<> ChatViewModel::loadMoreMessages()
{
    if (m_isLoading || m_isLoadingMore)
        co_return;
    QPointer<ChatViewModel> self(this);
    m_isLoadingMore = true;
    const quint64 generation = m_pageGeneration;
    const qint64 requestedOffset = offset();
    QList<Message> page;
    std::optional<QString> failure;
    try {
        page = co_await m_deps.chatService->getMessages(m_conversationId, pageSize, requestedOffset);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (!self)
        co_return;
    m_isLoadingMore = false;
    if (generation != m_pageGeneration)
        co_return;
    if (failure) {
        setError(*failure);
        co_return;
    }
    if (page.isEmpty())
        co_return;

    m_pagedOffset = requestedOffset + page.size();
    QList<Message> older = withoutListed(std::move(page));
    std::reverse(older.begin(), older.end());
    m_messages->insert(0, std::move(older));
}

QList<Message> ChatViewModel::withoutListed(QList<Message> page) const
{
    // A page may repeat listed messages (the list was not contiguous with the
    // server's). Only listed ids within the page's range can be repeats: one pass
    // over the ids, no set of the whole list.
    QSet<qint64> pageIds;
    qint64 lowest = std::numeric_limits<qint64>::max();
    qint64 highest = std::numeric_limits<qint64>::min();
    for (const Message& message : std::as_const(page)) {
        pageIds.insert(message.id);
        lowest = std::min(lowest, message.id);
        highest = std::max(highest, message.id);
    }
    QSet<qint64> repeated;
    for (const Message& listed : messages()) {
        if (listed.id >= lowest && listed.id <= highest && pageIds.contains(listed.id))
            repeated.insert(listed.id);
    }
    if (!repeated.isEmpty())
        page.removeIf([&](const Message& message) { return repeated.contains(message.id); });
    return page;
}

QCoro::Task<> ChatViewModel::revokeMessage(Message message)
{
    QPointer<ChatViewModel> self(this);
    std::optional<QString> failure;
    try {
        co_await m_deps.chatService->revokeMessage(message.id);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (!self)
        co_return;
    if (failure) {
        setError(*failure);
        co_return;
    }
    handleRevoke(message.id, false);
}

QCoro::Task<> ChatViewModel::addReaction(qint64 messageId, QString emoji)
{
    // The reaction shows when the server's "reaction" event comes back.
    try {
        co_await m_deps.chatService->addReaction(messageId, emoji);
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Chat] Reaction failed:" << errorDescription(error);
    }
}

void ChatViewModel::sendMessage(const QString& text)
{
    if (text.isEmpty())
        return;
    setIsSending(true);
    m_sender->sendText(text, m_replyToMessage ? std::optional(m_replyToMessage->id) : std::nullopt);
    // Spent either way: a message that could not go out keeps it for its resending.
    setReplyToMessage(std::nullopt);
    setIsSending(false);
}

void ChatViewModel::reportFileTooLarge()
{
    setError(uploadFailed(LocalizationManager::shared().localizedString(QStringLiteral("chat.file_too_large"))));
}

void ChatViewModel::resendMessage(const Message& failed)
{
    m_sender->resend(failed);
}

void ChatViewModel::discardMessage(const Message& failed)
{
    m_sender->discard(failed);
}

void ChatViewModel::userIsTyping()
{
    if (m_deps.keychain->getCachedUser())
        m_deps.wsService->sendTyping(m_conversationId);
}

void ChatViewModel::handleAcknowledged(const QString& clientMsgId)
{
    // A message sent after the error went through: the error no longer holds.
    if (m_error && !m_pendingAtError.contains(clientMsgId))
        clearError();
}

void ChatViewModel::handleNewMessage(const Message& message)
{
    for (const Message& listed : messages()) {
        if (listed.id == message.id)
            return;
        if (message.clientMessageId && listed.clientMessageId == message.clientMessageId)
            return;
    }
    m_messages->append(message);
    if (message.senderId != m_currentUserId)
        m_readMarker->messagesArrived();
}

void ChatViewModel::handleTyping(qint64 userId, const QString& userName)
{
    if (userId == m_currentUserId)
        return;
    setTypingUserName(userName);
    m_typingTimer->start(typingTimeoutMs);
}

void ChatViewModel::handleReaction(qint64 messageId, qint64 userId, const QString& emoji, const QString& action)
{
    const qsizetype index = m_messages->indexOf(messageId);
    if (index < 0)
        return;
    Message& message = m_messages->edit(index);
    QList<MessageReaction> reactions = message.reactions.value_or(QList<MessageReaction>());
    if (action == u"add") {
        reactions.append(MessageReaction { messageId, userId, emoji, std::nullopt });
    } else {
        reactions.removeIf(
            [&](const MessageReaction& reaction) { return reaction.userId == userId && reaction.emoji == emoji; });
    }
    message.reactions = reactions;
    m_messages->publishChanges();
}

void ChatViewModel::handleRead()
{
    // Only messages the server has: not ones still on their way, not failed or
    // revoked ones.
    bool changed = false;
    for (qsizetype i = 0; i < m_messages->size(); ++i) {
        const Message& message = m_messages->at(i);
        if (message.senderId != m_currentUserId || message.id <= 0)
            continue;
        if (!message.status || message.status == u"sent" || message.status == u"delivered") {
            m_messages->edit(i).status = QStringLiteral("read");
            changed = true;
        }
    }
    if (changed)
        m_messages->publishChanges();
}

void ChatViewModel::handleRevoke(qint64 messageId, bool byAdministrator)
{
    const qsizetype index = m_messages->indexOf(messageId);
    if (index < 0)
        return;
    Message& message = m_messages->edit(index);
    message.status = QStringLiteral("revoked");
    message.revokedAt = isoNow();
    if (byAdministrator)
        message.removedByAdmin = true;
    m_messages->publishChanges();
}

void ChatViewModel::handleEdit(qint64 messageId, const QString& content)
{
    const qsizetype index = m_messages->indexOf(messageId);
    if (index < 0)
        return;
    Message& message = m_messages->edit(index);
    message.content = content;
    message.editedAt = isoNow();
    m_messages->publishChanges();
}

void ChatViewModel::handleClearChatHistory(const QVariantMap& info)
{
    if (userInfo::integer(info, NotificationKey::conversationId()) != m_conversationId)
        return;
    m_pagedOffset = 0;
    m_messages->replaceAll({});
}

QCoro::Task<> ChatViewModel::sendFile(QString filePath)
{
    return m_sender->sendFile(std::move(filePath));
}

QString ChatViewModel::mimeType(const QString& fileExtension)
{
    return MessageSender::mimeType(fileExtension);
}

void ChatViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void ChatViewModel::setIsSending(bool sending)
{
    if (m_isSending == sending)
        return;
    m_isSending = sending;
    Q_EMIT isSendingChanged();
}

void ChatViewModel::setError(const QString& error)
{
    m_errorKey.reset();
    m_error = error;
    m_pendingAtError = m_sender->pendingMessages();
    Q_EMIT errorChanged();
}

void ChatViewModel::clearError()
{
    if (!m_error)
        return;
    m_errorKey.reset();
    m_error.reset();
    m_pendingAtError.clear();
    Q_EMIT errorChanged();
}

void ChatViewModel::setLocalizedError(const QString& key)
{
    setError(LocalizationManager::shared().localizedString(key));
    m_errorKey = key;
}

void ChatViewModel::setTypingUserName(const std::optional<QString>& name)
{
    if (m_typingUserName == name)
        return;
    m_typingUserName = name;
    Q_EMIT typingUserNameChanged();
}
