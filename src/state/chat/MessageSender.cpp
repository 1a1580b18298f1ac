#include "state/chat/MessageSender.h"

#include "models/User.h"
#include "network/APIClient.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/WebSocketService.h"
#include "state/chat/ChatMessageList.h"
#include "state/chat/ConversationListViewModel.h"
#include "state/chat/UnsentMessages.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QPointer>

#include <atomic>
#include <utility>

namespace {

// An internet date-time in UTC with whole seconds: Qt::ISODate leaves the
// milliseconds out ("2025-03-01T08:15:00Z").
QString isoNow()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

bool isFailed(const Message& message)
{
    return message.status == u"failed";
}

} // namespace

MessageSender::MessageSender(qint64 conversationId, qint64 currentUserId, ChatMessageList& messages,
                             Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_conversationId(conversationId)
    , m_currentUserId(currentUserId)
    , m_messages(messages)
    , m_deps(dependencies)
{
    WebSocketService* ws = m_deps.wsService;
    connect(
        ws, &WebSocketService::messageAckSubject, this,
        [this](const QString& clientMsgId, const QString& serverMsgId, qint64 messageId, bool) {
            handleMessageAck(clientMsgId, serverMsgId, messageId);
        },
        Qt::QueuedConnection);
    connect(ws, &WebSocketService::messageFailedSubject, this, &MessageSender::handleMessageFailed, Qt::QueuedConnection);
}

void MessageSender::listUnsent()
{
    const QList<Message> unsent = m_deps.unsent->messagesOf(m_conversationId, m_currentUserId);
    for (const Message& message : unsent) {
        if (message.status == u"sending")
            m_pendingMessages.insert(*message.clientMessageId);
    }
    m_messages.replaceAll(unsent);
}

bool MessageSender::sendText(const QString& text, std::optional<qint64> replyToId)
{
    Message message = makeOptimistic(QStringLiteral("text"));
    message.content = text;
    QJsonObject payload { { QStringLiteral("type"), QStringLiteral("text") }, { QStringLiteral("content"), text } };
    if (replyToId) {
        message.threadRootId = replyToId;
        payload.insert(QStringLiteral("replyToId"), *replyToId);
    }
    return dispatch(std::move(message), payload, text);
}

QCoro::Task<> MessageSender::sendFile(QString filePath)
{
    QPointer<MessageSender> self(this);
    const QString tooLarge = LocalizationManager::shared().localizedString(QStringLiteral("chat.file_too_large"));
    const QFileInfo info(filePath);
    // Checked before reading: the whole file would otherwise sit in memory, and
    // again as base64 text in the upload.
    if (info.isFile() && info.size() > maxFileBytes) {
        Q_EMIT uploadFailed(tooLarge);
        co_return;
    }
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        Q_EMIT uploadFailed(file.errorString());
        co_return;
    }
    // Bounded even for files whose size is not known up front (pipes, devices).
    const QByteArray data = file.read(maxFileBytes + 1);
    file.close();
    if (data.size() > maxFileBytes) {
        Q_EMIT uploadFailed(tooLarge);
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
        Q_EMIT uploadFailed(*failure);
        co_return;
    }
    if (type.startsWith(u"image/"))
        sendImageMessage(url);
    else
        sendFileMessage(url, fileName, data.size(), type);
}

void MessageSender::sendImageMessage(const QString& url)
{
    // Real JSON, so an address holding a quote or a backslash stays readable.
    const QString content = QString::fromUtf8(
        QJsonDocument(QJsonObject { { QStringLiteral("url"), url } }).toJson(QJsonDocument::Compact));
    Message message = makeOptimistic(QStringLiteral("image"));
    message.content = content;
    message.fileUrl = url;
    message.fileMimeType = QStringLiteral("image/jpeg");
    const QJsonObject payload { { QStringLiteral("type"), QStringLiteral("image") },
                                { QStringLiteral("content"), content },
                                { QStringLiteral("fileUrl"), url },
                                { QStringLiteral("fileMimeType"), QStringLiteral("image/jpeg") } };
    dispatch(std::move(message), payload, QStringLiteral("[图片]"));
}

void MessageSender::sendFileMessage(const QString& url, const QString& fileName, qint64 fileSize,
                                    const QString& mimeType)
{
    Message message = makeOptimistic(QStringLiteral("file"));
    message.fileUrl = url;
    message.fileName = fileName;
    message.fileSize = fileSize;
    message.fileMimeType = mimeType;
    const QJsonObject payload { { QStringLiteral("type"), QStringLiteral("file") },
                                { QStringLiteral("fileUrl"), url },
                                { QStringLiteral("fileName"), fileName },
                                { QStringLiteral("fileSize"), fileSize },
                                { QStringLiteral("fileMimeType"), mimeType } };
    dispatch(std::move(message), payload, QStringLiteral("[文件] ") + fileName);
}

QString MessageSender::mimeType(const QString& fileExtension)
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

Message MessageSender::makeOptimistic(const QString& type)
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

bool MessageSender::dispatch(Message message, const QJsonObject& payload, const QString& preview)
{
    const QString clientMsgId = *message.clientMessageId;
    const std::optional<QString> createdAt = message.createdAt;
    if (!m_deps.wsService->isConnected()) {
        // The channel would drop the frame without a word; say so instead of
        // showing a message that waits for an acknowledgement that never comes.
        message.status = QStringLiteral("failed");
        m_deps.unsent->add(message);
        m_messages.append(std::move(message));
        // Its row says so as it would for a message whose acknowledgement never came.
        postMessageSent(preview, createdAt, clientMsgId, Outcome::Failed);
        Q_EMIT notSentOffline();
        return false;
    }
    // From here on the server may hold it, whatever becomes of the acknowledgement.
    message.mayBeOnServer = true;
    m_deps.unsent->add(message);
    m_messages.append(std::move(message));
    m_pendingMessages.insert(clientMsgId);

    QJsonObject fullPayload = payload;
    fullPayload.insert(QStringLiteral("clientMsgId"), clientMsgId);
    fullPayload.insert(QStringLiteral("conversationId"), m_conversationId);
    m_deps.wsService->sendChatMessage(QJsonObject { { QStringLiteral("type"), QStringLiteral("message_send") },
                                                    { QStringLiteral("payload"), fullPayload } });
    postMessageSent(preview, createdAt, clientMsgId, Outcome::OnItsWay);
    return true;
}

void MessageSender::resend(const Message& failed)
{
    if (!failed.clientMessageId)
        return;
    const qsizetype index = m_messages.indexOfClientId(*failed.clientMessageId);
    if (index < 0 || !isFailed(m_messages.at(index)))
        return;
    Message message = m_messages.at(index);
    m_messages.removeAt(index);
    m_deps.unsent->remove(*message.clientMessageId);
    // The same client message id: a server that stored the first attempt answers
    // this one with that message instead of storing it again.
    message.id = nextTemporaryId();
    message.status = QStringLiteral("sending");
    message.createdAt = isoNow();
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
    dispatch(std::move(message), payload, preview);
}

bool MessageSender::canDiscard(const Message& message)
{
    return isFailed(message) && !message.mayBeOnServer;
}

void MessageSender::discard(const Message& failed)
{
    if (!failed.clientMessageId)
        return;
    const QString clientMsgId = *failed.clientMessageId;
    const qsizetype index = m_messages.indexOfClientId(clientMsgId);
    if (index < 0 || !canDiscard(m_messages.at(index)))
        return;
    m_messages.removeAt(index);
    m_deps.unsent->remove(clientMsgId);
    m_deps.notifications->post(NotificationName::messageDiscarded(),
                               { { NotificationKey::conversationId(), m_conversationId },
                                 { NotificationKey::clientMsgId(), clientMsgId } });
}

void MessageSender::settledByServer(const QString& clientMsgId)
{
    m_pendingMessages.remove(clientMsgId);
    m_deps.unsent->remove(clientMsgId);
}

qint64 MessageSender::nextTemporaryId()
{
    // Messages are told apart by id, so two optimistic messages must never share one:
    // not within a chat, nor with the unsent messages a chat opened again lists under
    // the ids an earlier chat gave them. One count for the process, never wrapping.
    static std::atomic<qint64> lastTemporaryId = 0;
    return --lastTemporaryId;
}

void MessageSender::handleMessageAck(const QString& clientMsgId, const QString& serverMsgId, qint64 messageId)
{
    m_pendingMessages.remove(clientMsgId);
    qsizetype index = m_messages.indexOfClientId(clientMsgId);
    if (index < 0)
        return;
    // A second acknowledgement (the message was sent again) changes nothing: the
    // message may have been read since.
    if (m_messages.at(index).id == messageId) {
        Q_EMIT acknowledged(clientMsgId);
        return;
    }
    // A copy delivered before the acknowledgement without the client id carries
    // the same id: keep one, as the row of the message sent.
    for (qsizetype i = m_messages.size() - 1; i >= 0; --i) {
        if (i != index && m_messages.at(i).id == messageId) {
            m_messages.removeAt(i);
            if (i < index)
                --index;
        }
    }
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
    m_messages.edit(index) = std::move(confirmed);
    m_messages.publishChanges();
    Q_EMIT acknowledged(clientMsgId);
}

void MessageSender::handleMessageFailed(const QString& clientMsgId, const std::optional<QString>& serverReason)
{
    const qsizetype index = m_messages.indexOfClientId(clientMsgId);
    if (index < 0 || m_messages.at(index).status != u"sending")
        return;
    m_pendingMessages.remove(clientMsgId);
    Message& failed = m_messages.edit(index);
    failed.status = QStringLiteral("failed");
    // A refusal is the server's word that it did not store the message.
    if (serverReason)
        failed.mayBeOnServer = false;
    m_messages.publishChanges();
    if (serverReason)
        Q_EMIT refused(*serverReason);
    else
        Q_EMIT notAcknowledged();
}

void MessageSender::postMessageSent(const QString& preview, const std::optional<QString>& createdAt,
                                    const QString& clientMsgId, Outcome outcome)
{
    QVariantMap info { { NotificationKey::conversationId(), m_conversationId },
                       { NotificationKey::content(), preview },
                       { NotificationKey::clientMsgId(), clientMsgId } };
    if (outcome == Outcome::Failed)
        info.insert(NotificationKey::failed(), true);
    if (createdAt)
        info.insert(NotificationKey::createdAt(), *createdAt);
    m_deps.notifications->post(NotificationName::messageSent(), info);
}
