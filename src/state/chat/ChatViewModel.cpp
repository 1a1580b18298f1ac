#include "state/chat/ChatViewModel.h"

#include "models/User.h"
#include "models/WSMessage.h"
#include "network/APIClient.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "state/chat/ConversationListViewModel.h"
#include "state/chat/UnsentMessages.h"
#include "state/chat/UserInfo.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "state/common/PrintfFormat.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
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

QString tooLarge()
{
    return LocalizationManager::shared().localizedString(QStringLiteral("chat.file_too_large"));
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
{
    m_typingTimer = m_deps.timers->create(this, [this] { setTypingUserName(std::nullopt); });
    // An error of our own wording follows a language switch like the rest of the screen.
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, [this] {
        if (m_errorKey)
            setLocalizedError(*m_errorKey);
    });
    // What this user sent here and the server has not confirmed, or refused, while
    // the chat was closed: still sending, or failed with its text.
    m_messages = m_deps.unsent->messagesOf(m_conversationId, m_currentUserId);
    for (const Message& message : std::as_const(m_messages)) {
        if (message.status == u"sending")
            m_pendingMessages.insert(*message.clientMessageId);
    }
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

void ChatViewModel::setupSubscriptions()
{
    WebSocketService* ws = m_deps.wsService;
    const qint64 id = m_conversationId;
    constexpr auto queued = Qt::QueuedConnection;

    connect(
        ws, &WebSocketService::messageAckSubject, this,
        [this](const QString& clientMsgId, const QString& serverMsgId, qint64 messageId, bool) {
            handleMessageAck(clientMsgId, serverMsgId, messageId);
        },
        queued);
    connect(ws, &WebSocketService::messageFailedSubject, this, &ChatViewModel::handleMessageFailed, queued);
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
    for (const Message& message : std::as_const(m_messages))
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
        setError(*failure);
        setIsLoading(false);
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
    for (const Message& message : std::as_const(m_messages)) {
        const bool inPage = pageIds.contains(message.id)
            || (message.clientMessageId && pageClientIds.contains(*message.clientMessageId));
        if (!inPage && (message.id < 0 || !listedBefore.contains(message.id)))
            list.append(message);
        else if (inPage && message.id < 0 && message.clientMessageId)
            m_deps.unsent->remove(*message.clientMessageId);
    }
    if (!page.isEmpty() && page.first().serverMsgId)
        m_latestServerMsgId = page.first().serverMsgId;
    m_messages = std::move(list);
    m_offset = page.size();
    Q_EMIT messagesChanged();
    co_await markAsRead();
    // The page may have been read before the channel came back.
    if (self && std::exchange(m_catchUpAgain, false))
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
    if (m_isLoading || m_catchingUp) {
        m_catchUpAgain = true;
        co_return;
    }
    QPointer<ChatViewModel> self(this);
    m_catchingUp = true;
    const quint64 generation = m_pageGeneration;
    QSet<qint64> listed;
    for (const Message& message : std::as_const(m_messages)) {
        if (message.id > 0)
            listed.insert(message.id);
    }
    // Newest first, as the server pages them, until a page reaches what is listed.
    QList<Message> missed;
    bool failed = false;
    for (int page = 0; page < maxCatchUpPages; ++page) {
        QList<Message> messages;
        try {
            messages = co_await m_deps.chatService->getMessages(m_conversationId, pageSize, page * pageSize);
        } catch (const std::exception& error) {
            qWarning().noquote() << "[Chat] Catching up failed:" << errorDescription(error);
            failed = true;
        }
        if (!self)
            co_return;
        if (failed)
            break;
        missed += messages;
        const bool reached = std::any_of(messages.cbegin(), messages.cend(),
                                         [&listed](const Message& message) { return listed.contains(message.id); });
        if (reached || messages.size() < pageSize)
            break;
    }
    m_catchingUp = false;
    if (generation == m_pageGeneration && !missed.isEmpty()) {
        std::reverse(missed.begin(), missed.end());
        mergeNewerMessages(missed);
    }
    if (std::exchange(m_catchUpAgain, false))
        catchUp();
}

void ChatViewModel::mergeNewerMessages(const QList<Message>& chronological)
{
    bool changed = false;
    for (Message message : chronological) {
        if (message.senderId == m_currentUserId && !message.status)
            message.status = QStringLiteral("sent");
        if (findById(message.id))
            continue;
        // Stored although its acknowledgement never came: the server's copy takes its place.
        const auto unconfirmed = std::find_if(m_messages.begin(), m_messages.end(), [&message](const Message& listed) {
            return listed.id < 0 && message.clientMessageId && listed.clientMessageId == message.clientMessageId;
        });
        if (unconfirmed != m_messages.end()) {
            m_pendingMessages.remove(*message.clientMessageId);
            m_deps.unsent->remove(*message.clientMessageId);
            *unconfirmed = message;
            changed = true;
            continue;
        }
        // Before the first newer message listed; after all of them, but above this
        // user's messages still on their way.
        qsizetype at = 0;
        while (at < m_messages.size() && m_messages.at(at).id <= message.id)
            ++at;
        if (at == m_messages.size()) {
            while (at > 0 && m_messages.at(at - 1).id < 0)
                --at;
        }
        m_messages.insert(at, message);
        changed = true;
    }
    if (changed)
        Q_EMIT messagesChanged();
}

QCoro::Task<> ChatViewModel::markAsRead()
{
    QPointer<ChatViewModel> self(this);
    try {
        co_await m_deps.chatService->markAsRead(m_conversationId);
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Chat] Mark as read failed:" << errorDescription(error);
    }
    if (!self)
        co_return;
    WSPayload payload;
    payload.userId = m_currentUserId;
    payload.conversationId = m_conversationId;
    m_deps.wsService->send(WSMessage { QStringLiteral("read"), payload });
    m_deps.notifications->post(NotificationName::conversationRead(),
                               { { NotificationKey::conversationId(), m_conversationId } });
    setIsLoading(false);
}

QCoro::Task<> ChatViewModel::loadMoreMessages()
{
    if (m_isLoading || m_isLoadingMore)
        co_return;
    QPointer<ChatViewModel> self(this);
    m_isLoadingMore = true;
    const quint64 generation = m_pageGeneration;
    const qint64 requestedOffset = m_offset;
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

    m_offset = requestedOffset + page.size();
    QList<Message> older = withoutListed(std::move(page));
    if (older.isEmpty())
        co_return;
    // In place: the listed messages are neither copied nor compared again.
    Q_EMIT messagesAboutToBeInserted(0, older.size());
    m_messages.insert(0, older.size(), Message {});
    std::move(older.rbegin(), older.rend(), m_messages.begin());
    Q_EMIT messagesInserted(0, older.size());
}

QList<Message> ChatViewModel::withoutListed(QList<Message> page) const
{
    // Messages that arrived since the first page move the server's offsets, so a
    // page may repeat listed messages. Only listed ids within the page's range can
    // be repeats: one pass over the ids, no set of the whole list.
    QSet<qint64> pageIds;
    qint64 lowest = std::numeric_limits<qint64>::max();
    qint64 highest = std::numeric_limits<qint64>::min();
    for (const Message& message : std::as_const(page)) {
        pageIds.insert(message.id);
        lowest = std::min(lowest, message.id);
        highest = std::max(highest, message.id);
    }
    QSet<qint64> repeated;
    for (const Message& listed : m_messages) {
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
    if (Message* listed = findById(message.id)) {
        listed->status = QStringLiteral("revoked");
        listed->revokedAt = isoNow();
        Q_EMIT messagesChanged();
    }
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
    Message message = makeOptimistic(QStringLiteral("text"));
    message.content = text;
    QJsonObject payload { { QStringLiteral("type"), QStringLiteral("text") }, { QStringLiteral("content"), text } };
    if (m_replyToMessage) {
        message.threadRootId = m_replyToMessage->id;
        payload.insert(QStringLiteral("replyToId"), m_replyToMessage->id);
    }
    const std::optional<QString> createdAt = message.createdAt;
    const QString clientMsgId = *message.clientMessageId;
    const bool sent = dispatch(std::move(message), payload);
    if (sent) {
        setReplyToMessage(std::nullopt);
        setIsSending(false);
        postMessageSent(text, createdAt, clientMsgId);
        return;
    }
    // Nothing is lost: the reply target stays for the next try, and the screen
    // puts the text back into the input field.
    setIsSending(false);
    Q_EMIT sendFailed(text);
}

QCoro::Task<> ChatViewModel::sendFile(QString filePath)
{
    QPointer<ChatViewModel> self(this);
    const QFileInfo info(filePath);
    // Checked before reading: the whole file would otherwise sit in memory, and
    // again as base64 text in the upload.
    if (info.isFile() && info.size() > maxFileBytes) {
        setError(uploadFailed(tooLarge()));
        co_return;
    }
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(uploadFailed(file.errorString()));
        co_return;
    }
    // Bounded even for files whose size is not known up front (pipes, devices).
    const QByteArray data = file.read(maxFileBytes + 1);
    file.close();
    if (data.size() > maxFileBytes) {
        setError(uploadFailed(tooLarge()));
        co_return;
    }
    const QString fileName = info.fileName();
    const QString type = mimeType(info.suffix());

    QString url;
    std::optional<QString> failure;
    try {
        url = co_await m_deps.api->uploadFile(data, fileName, type);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (!self)
        co_return;
    if (failure) {
        setError(uploadFailed(*failure));
        co_return;
    }
    if (type.startsWith(u"image/"))
        sendImageMessage(url);
    else
        sendFileMessage(url, fileName, data.size(), type);
}

void ChatViewModel::reportFileTooLarge()
{
    setError(uploadFailed(tooLarge()));
}

std::optional<Message> ChatViewModel::takeFailed(const Message& failed)
{
    const auto listed = std::find_if(m_messages.cbegin(), m_messages.cend(), [&failed](const Message& message) {
        return message.status == u"failed" && message.clientMessageId && message.clientMessageId == failed.clientMessageId;
    });
    if (listed == m_messages.cend())
        return std::nullopt;
    Message taken = *listed;
    m_messages.erase(listed);
    m_deps.unsent->remove(*taken.clientMessageId);
    return taken;
}

void ChatViewModel::resendMessage(const Message& failed)
{
    const std::optional<Message> taken = takeFailed(failed);
    if (!taken)
        return;
    Message message = makeOptimistic(taken->type);
    message.content = taken->content;
    message.fileUrl = taken->fileUrl;
    message.fileName = taken->fileName;
    message.fileSize = taken->fileSize;
    message.fileMimeType = taken->fileMimeType;
    message.threadRootId = taken->threadRootId;
    // The frame carries what the first one carried.
    QJsonObject payload { { QStringLiteral("type"), message.type } };
    const auto put = [&payload](const char* key, const auto& value) {
        if (value)
            payload.insert(QLatin1StringView(key), *value);
    };
    put("content", message.content);
    put("fileUrl", message.fileUrl);
    put("fileName", message.fileName);
    put("fileSize", message.fileSize);
    put("fileMimeType", message.fileMimeType);
    put("replyToId", message.threadRootId);
    const QString preview = ConversationListViewModel::lastMessagePreview(message);
    const std::optional<QString> createdAt = message.createdAt;
    const QString clientMsgId = *message.clientMessageId;
    if (dispatch(std::move(message), payload))
        postMessageSent(preview, createdAt, clientMsgId);
}

void ChatViewModel::discardMessage(const Message& failed)
{
    if (takeFailed(failed))
        Q_EMIT messagesChanged();
}

void ChatViewModel::sendImageMessage(const QString& url)
{
    // Real JSON, so an address holding a quote or a backslash stays readable.
    const QString content = QString::fromUtf8(
        QJsonDocument(QJsonObject { { QStringLiteral("url"), url } }).toJson(QJsonDocument::Compact));
    Message message = makeOptimistic(QStringLiteral("image"));
    message.content = content;
    message.fileUrl = url;
    message.fileMimeType = QStringLiteral("image/jpeg");
    const std::optional<QString> createdAt = message.createdAt;
    const QString clientMsgId = *message.clientMessageId;
    const QJsonObject payload { { QStringLiteral("type"), QStringLiteral("image") },
                                { QStringLiteral("content"), content },
                                { QStringLiteral("fileUrl"), url },
                                { QStringLiteral("fileMimeType"), QStringLiteral("image/jpeg") } };
    if (dispatch(std::move(message), payload))
        postMessageSent(QStringLiteral("[图片]"), createdAt, clientMsgId);
}

void ChatViewModel::sendFileMessage(const QString& url, const QString& fileName, qint64 fileSize,
                                    const QString& mimeType)
{
    Message message = makeOptimistic(QStringLiteral("file"));
    message.fileUrl = url;
    message.fileName = fileName;
    message.fileSize = fileSize;
    message.fileMimeType = mimeType;
    const std::optional<QString> createdAt = message.createdAt;
    const QString clientMsgId = *message.clientMessageId;
    const QJsonObject payload { { QStringLiteral("type"), QStringLiteral("file") },
                                { QStringLiteral("fileUrl"), url },
                                { QStringLiteral("fileName"), fileName },
                                { QStringLiteral("fileSize"), fileSize },
                                { QStringLiteral("fileMimeType"), mimeType } };
    if (dispatch(std::move(message), payload))
        postMessageSent(QStringLiteral("[文件] ") + fileName, createdAt, clientMsgId);
}

void ChatViewModel::userIsTyping()
{
    if (m_deps.keychain->getCachedUser())
        m_deps.wsService->sendTyping(m_conversationId);
}

Message ChatViewModel::makeOptimistic(const QString& type)
{
    Message message;
    message.id = nextTemporaryId();
    message.conversationId = m_conversationId;
    message.senderId = m_currentUserId;
    message.type = type;
    message.status = QStringLiteral("sending");
    message.createdAt = isoNow();
    message.clientMessageId = m_deps.clientIdService->generateClientId();
    if (const std::optional<User> user = m_deps.keychain->getCachedUser()) {
        message.senderName = user->name;
        message.senderAvatar = user->avatar;
    }
    return message;
}

bool ChatViewModel::dispatch(Message message, const QJsonObject& payload)
{
    if (!m_deps.wsService->isConnected()) {
        // The channel would drop the frame without a word; say so instead of
        // showing a message that waits for an acknowledgement that never comes.
        message.status = QStringLiteral("failed");
        m_deps.unsent->add(message);
        m_messages.append(std::move(message));
        Q_EMIT messagesChanged();
        setLocalizedError(QStringLiteral("chat.not_sent_offline"));
        return false;
    }
    const QString clientMsgId = *message.clientMessageId;
    m_deps.unsent->add(message);
    m_messages.append(std::move(message));
    m_pendingMessages.insert(clientMsgId);
    Q_EMIT messagesChanged();

    QJsonObject fullPayload = payload;
    fullPayload.insert(QStringLiteral("clientMsgId"), clientMsgId);
    fullPayload.insert(QStringLiteral("conversationId"), m_conversationId);
    m_deps.wsService->sendChatMessage(QJsonObject { { QStringLiteral("type"), QStringLiteral("message_send") },
                                                    { QStringLiteral("payload"), fullPayload } });
    return true;
}

qint64 ChatViewModel::nextTemporaryId()
{
    // Messages are told apart by id, so two optimistic messages must never share one.
    m_lastTemporaryId = m_lastTemporaryId <= -999'999 ? -1 : m_lastTemporaryId - 1;
    return m_lastTemporaryId;
}

void ChatViewModel::handleMessageAck(const QString& clientMsgId, const QString& serverMsgId, qint64 messageId)
{
    m_pendingMessages.remove(clientMsgId);
    qsizetype index = 0;
    while (index < m_messages.size() && m_messages.at(index).clientMessageId != clientMsgId)
        ++index;
    if (index == m_messages.size())
        return;

    const Message& listed = m_messages.at(index);
    Message confirmed;
    confirmed.id = messageId;
    confirmed.conversationId = listed.conversationId;
    confirmed.senderId = listed.senderId;
    confirmed.type = listed.type;
    confirmed.content = listed.content;
    confirmed.fileUrl = listed.fileUrl;
    confirmed.fileName = listed.fileName;
    confirmed.fileSize = listed.fileSize;
    confirmed.fileMimeType = listed.fileMimeType;
    confirmed.status = QStringLiteral("sent");
    confirmed.threadRootId = listed.threadRootId;
    confirmed.createdAt = listed.createdAt ? listed.createdAt : std::optional<QString>(isoNow());
    confirmed.serverMsgId = serverMsgId;
    confirmed.clientMessageId = clientMsgId;
    confirmed.senderName = listed.senderName;
    confirmed.senderAvatar = listed.senderAvatar;
    m_messages[index] = std::move(confirmed);
    // A copy delivered before the acknowledgement without the client id now
    // carries the same id: keep one.
    for (qsizetype i = m_messages.size() - 1; i >= 0; --i) {
        if (i != index && m_messages.at(i).id == messageId)
            m_messages.removeAt(i);
    }
    m_latestServerMsgId = serverMsgId;
    Q_EMIT messagesChanged();
    // A message sent after the error went through: the error no longer holds.
    if (m_error && !m_pendingAtError.contains(clientMsgId))
        clearError();
}

void ChatViewModel::handleMessageFailed(const QString& clientMsgId, const std::optional<QString>& serverReason)
{
    Message* failed = nullptr;
    for (Message& message : m_messages) {
        if (message.clientMessageId == clientMsgId && message.status == u"sending")
            failed = &message;
    }
    if (!failed)
        return;
    m_pendingMessages.remove(clientMsgId);
    failed->status = QStringLiteral("failed");
    Q_EMIT messagesChanged();
    if (serverReason)
        setError(printfFormat(LocalizationManager::shared().localizedString(QStringLiteral("chat.not_sent_refused")), { *serverReason }));
    else
        setLocalizedError(QStringLiteral("chat.not_acknowledged"));
}

void ChatViewModel::handleNewMessage(const Message& message)
{
    for (const Message& listed : std::as_const(m_messages)) {
        if (listed.id == message.id)
            return;
        if (message.clientMessageId && listed.clientMessageId == message.clientMessageId)
            return;
    }
    m_messages.append(message);
    if (message.serverMsgId)
        m_latestServerMsgId = message.serverMsgId;
    Q_EMIT messagesChanged();
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
    Message* message = findById(messageId);
    if (!message)
        return;
    QList<MessageReaction> reactions = message->reactions.value_or(QList<MessageReaction>());
    if (action == u"add") {
        reactions.append(MessageReaction { messageId, userId, emoji, std::nullopt });
    } else {
        reactions.removeIf(
            [&](const MessageReaction& reaction) { return reaction.userId == userId && reaction.emoji == emoji; });
    }
    message->reactions = reactions;
    Q_EMIT messagesChanged();
}

void ChatViewModel::handleRead()
{
    // Only messages the server has: not ones still on their way, not failed or
    // revoked ones.
    bool changed = false;
    for (Message& message : m_messages) {
        if (message.senderId != m_currentUserId || message.id <= 0)
            continue;
        if (!message.status || message.status == u"sent" || message.status == u"delivered") {
            message.status = QStringLiteral("read");
            changed = true;
        }
    }
    if (changed)
        Q_EMIT messagesChanged();
}

void ChatViewModel::handleRevoke(qint64 messageId, bool byAdministrator)
{
    if (Message* message = findById(messageId)) {
        message->status = QStringLiteral("revoked");
        message->revokedAt = isoNow();
        if (byAdministrator)
            message->removedByAdmin = true;
        Q_EMIT messagesChanged();
    }
}

void ChatViewModel::handleEdit(qint64 messageId, const QString& content)
{
    if (Message* message = findById(messageId)) {
        message->content = content;
        message->editedAt = isoNow();
        Q_EMIT messagesChanged();
    }
}

void ChatViewModel::handleClearChatHistory(const QVariantMap& info)
{
    if (userInfo::integer(info, NotificationKey::conversationId()) != m_conversationId)
        return;
    m_messages.clear();
    m_offset = 0;
    m_latestServerMsgId.reset();
    Q_EMIT messagesChanged();
}

QString ChatViewModel::mimeType(const QString& fileExtension)
{
    const QString extension = fileExtension.toLower();
    if (extension == u"jpg" || extension == u"jpeg")
        return QStringLiteral("image/jpeg");
    if (extension == u"png")
        return QStringLiteral("image/png");
    if (extension == u"gif")
        return QStringLiteral("image/gif");
    if (extension == u"pdf")
        return QStringLiteral("application/pdf");
    if (extension == u"doc" || extension == u"docx")
        return QStringLiteral("application/msword");
    if (extension == u"xls" || extension == u"xlsx")
        return QStringLiteral("application/vnd.ms-excel");
    if (extension == u"mp4")
        return QStringLiteral("video/mp4");
    if (extension == u"mp3")
        return QStringLiteral("audio/mpeg");
    if (extension == u"zip")
        return QStringLiteral("application/zip");
    return QStringLiteral("application/octet-stream");
}

Message* ChatViewModel::findById(qint64 id)
{
    for (Message& message : m_messages) {
        if (message.id == id)
            return &message;
    }
    return nullptr;
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
    m_pendingAtError = m_pendingMessages;
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

void ChatViewModel::postMessageSent(const QString& content, const std::optional<QString>& createdAt,
                                    const QString& clientMsgId)
{
    QVariantMap info { { NotificationKey::conversationId(), m_conversationId },
                       { NotificationKey::content(), content },
                       { NotificationKey::clientMsgId(), clientMsgId } };
    if (createdAt)
        info.insert(NotificationKey::createdAt(), *createdAt);
    m_deps.notifications->post(NotificationName::messageSent(), info);
}
