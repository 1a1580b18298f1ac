#include "store/Messages.h"

#include "http/ServerError.h"
#include "store/Blocks.h"
#include "store/Conversations.h"
#include "store/Database.h"
#include "store/PostingRights.h"
#include "store/RowJson.h"
#include "store/ServiceSessions.h"
#include "store/TextRules.h"
#include "WireTime.h"

#include "models/Json.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

#include <array>

namespace {

const QSet<QString>& sendableTypes()
{
    static const QSet<QString> types {
        QStringLiteral("text"), QStringLiteral("image"), QStringLiteral("file"), QStringLiteral("voice"),
        QStringLiteral("video"), QStringLiteral("sticker"), QStringLiteral("location"), QStringLiteral("contact_card"),
    };
    return types;
}

// What the operator's session list shows of a customer's message: its text, else the
// file's name, else its kind.
QString servicePreview(const OutgoingMessage& message)
{
    if (message.type == u"text" && message.content)
        return *message.content;
    return message.fileName.value_or(u'[' + message.type + u']');
}

bool needsFile(const QString& type)
{
    return type == u"image" || type == u"file" || type == u"voice" || type == u"video";
}

void checkText(const std::optional<QString>& value, int maxLength, Text what, bool multiline = false)
{
    if (!value)
        return;
    if (value->size() > maxLength)
        throw ServerError::badRequest(Text::FieldTooLong, what, maxLength);
    textrules::requireNoControls(*value, what, multiline);
}

// Other clients open these addresses: only web addresses and our own relative ones.
void checkFileUrl(const QString& url)
{
    if (url.startsWith(u'/') && !url.startsWith(QStringLiteral("//")))
        return;
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != u"http" && scheme != u"https") || parsed.host().isEmpty())
        throw ServerError::badRequest(Text::FileAddressKind);
}

// A UUID whose first 48 bits are the time in milliseconds (version 7): new ids go to the
// end of the server_msg_id index instead of to a random page of it, so a batch of sends
// touches a few index pages, not one each.
QString newServerMsgId()
{
    std::array<quint64, 2> words;
    QRandomGenerator::global()->fillRange(words.data(), words.size());
    const quint64 millis = quint64(QDateTime::currentMSecsSinceEpoch());
    words[0] = (millis << 16) | 0x7000 | (words[0] & 0x0fff);
    words[1] = 0x8000000000000000ULL | (words[1] & 0x3fffffffffffffffULL);
    const QUuid id(uint(words[0] >> 32), ushort(words[0] >> 16), ushort(words[0]), uchar(words[1] >> 56), uchar(words[1] >> 48),
        uchar(words[1] >> 40), uchar(words[1] >> 32), uchar(words[1] >> 24), uchar(words[1] >> 16), uchar(words[1] >> 8),
        uchar(words[1]));
    return id.toString(QUuid::WithoutBraces);
}

// Whether another member has marked the message read (message names its row): read
// receipts are kept per member, so marking read writes one row however long the chat.
// A member in a block with the sender never tells them.
QString readBySomeone(QLatin1StringView message)
{
    return QStringLiteral("EXISTS (SELECT 1 FROM conversation_members r"
                          " WHERE r.conversation_id = %1.conversation_id AND r.read_receipt_id >= %1.id AND r.user_id != %1.sender_id"
                          " AND NOT EXISTS (SELECT 1 FROM contacts k WHERE k.blocked = 1"
                          "   AND ((k.user_id = r.user_id AND k.contact_id = %1.sender_id)"
                          "     OR (k.user_id = %1.sender_id AND k.contact_id = r.user_id))))")
        .arg(message);
}

} // namespace

Messages::Messages(Database& db, Conversations& conversations)
    : m_db(db)
    , m_conversations(conversations)
{
}

StoredMessage Messages::store(qint64 senderId, const OutgoingMessage& message)
{
    Database::Transaction transaction(m_db);
    const QString now = wiretime::now();
    const StoredMessage stored = insert(senderId, message, m_conversations.postingRight(message.conversationId, senderId), now);
    if (!stored.duplicate) {
        m_conversations.showToAll({ message.conversationId });
        m_conversations.touch({ message.conversationId }, now);
    }
    transaction.commit();
    return stored;
}

QList<SendOutcome> Messages::storeAll(const QList<PendingMessage>& batch, PostingRights& rights)
{
    QList<SendOutcome> outcomes(batch.size());
    try {
        Database::Transaction transaction(m_db);
        rights.refresh();
        QList<qint64> written;
        const QString createdAt = wiretime::now();
        for (qsizetype i = 0; i < batch.size(); ++i) {
            const PendingMessage& pending = batch[i];
            // A message is one statement: a refusal or failure leaves the others' writes.
            try {
                const qint64 conversationId = pending.message.conversationId;
                outcomes[i].stored = insert(pending.senderId, pending.message, rights.of(pending.senderId, conversationId), createdAt);
                if (!outcomes[i].stored.duplicate) {
                    outcomes[i].members = rights.membersOf(conversationId);
                    outcomes[i].record = recordOf(pending, outcomes[i].stored, createdAt, rights.senderOf(pending.senderId));
                    if (!written.contains(conversationId))
                        written.append(conversationId);
                }
            } catch (const ServerError& error) {
                outcomes[i].refusal = error;
            } catch (const std::exception& error) {
                qWarning().noquote() << "[Server] Storing a message failed:" << error.what();
                outcomes[i].failed = true;
            }
        }
        m_conversations.showToAll(rights.notShownYet(written));
        m_conversations.touch(rights.notTouchedAt(written, createdAt), createdAt);
        transaction.commit();
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Server] Committing messages failed:" << error.what();
        // What it remembers may describe writes that were just undone.
        rights.forget();
        for (SendOutcome& outcome : outcomes) {
            outcome.refusal.reset();
            outcome.failed = true;
        }
    }
    return outcomes;
}

StoredMessage Messages::insert(qint64 senderId, const OutgoingMessage& message, const PostingRight& right, const QString& createdAt)
{
    if (message.clientMsgId.isEmpty() || message.clientMsgId.size() > kMaxClientMsgId)
        throw ServerError::badRequest(Text::ClientMsgIdLength, kMaxClientMsgId);
    if (!right.member)
        throw ServerError::notFound(Text::ConversationNotFound);
    // A repeated send is answered before anything else is checked: the first one was accepted.
    try {
        if (right.refusal)
            throw *right.refusal;
        validate(message);
    } catch (const ServerError&) {
        if (const auto earlier = earlierSend(senderId, message))
            return *earlier;
        throw;
    }

    StoredMessage stored;
    stored.serverMsgId = newServerMsgId();
    // Most sends are plain text: binding only what they carry saves binding five nulls.
    const bool plain = !message.fileUrl && !message.fileName && !message.fileSize && !message.fileMimeType && !message.replyToId;
    const std::optional<qint64> id = plain
        ? m_db.insertNew(QStringLiteral("INSERT INTO messages (conversation_id, sender_id, type, content, status,"
                                        " server_msg_id, client_msg_id, created_at) VALUES (?, ?, ?, ?, 'sent', ?, ?, ?)"
                                        " ON CONFLICT (sender_id, client_msg_id) DO NOTHING"),
            { message.conversationId, senderId, message.type, rowjson::orNull(message.content), stored.serverMsgId,
              message.clientMsgId, createdAt })
        : m_db.insertNew(QStringLiteral("INSERT INTO messages (conversation_id, sender_id, type, content, file_url,"
                                        " file_name, file_size, file_mime_type, reply_to_id, status,"
                                        " server_msg_id, client_msg_id, created_at)"
                                        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 'sent', ?, ?, ?)"
                                        " ON CONFLICT (sender_id, client_msg_id) DO NOTHING"),
            { message.conversationId, senderId, message.type, rowjson::orNull(message.content), rowjson::orNull(message.fileUrl),
              rowjson::orNull(message.fileName), message.fileSize ? QVariant(*message.fileSize) : QVariant(),
              rowjson::orNull(message.fileMimeType), message.replyToId ? QVariant(*message.replyToId) : QVariant(),
              stored.serverMsgId, message.clientMsgId, createdAt });
    if (!id) {
        if (const auto earlier = earlierSend(senderId, message))
            return *earlier;
        throw DatabaseError("a message was neither stored nor found stored before");
    }
    stored.messageId = *id;
    if (right.reachesService)
        ServiceSessions(m_db).recordCustomerMessage(senderId, servicePreview(message), createdAt);
    return stored;
}

MessageRecord Messages::recordOf(const PendingMessage& pending, const StoredMessage& stored, const QString& createdAt, const Sender& sender)
{
    const OutgoingMessage& message = pending.message;
    MessageRecord record;
    record.id = stored.messageId;
    record.conversationId = message.conversationId;
    record.senderId = pending.senderId;
    record.type = message.type;
    record.content = rowjson::orNull(message.content);
    record.fileUrl = rowjson::orNull(message.fileUrl);
    record.fileName = rowjson::orNull(message.fileName);
    record.fileSize = message.fileSize ? QVariant(*message.fileSize) : QVariant();
    record.fileMimeType = rowjson::orNull(message.fileMimeType);
    // Nobody can have read it yet: read marks only ever reach messages already stored.
    record.status = QStringLiteral("sent");
    record.replyToId = message.replyToId ? QVariant(*message.replyToId) : QVariant();
    record.serverMsgId = stored.serverMsgId;
    record.clientMsgId = message.clientMsgId;
    record.createdAt = createdAt;
    record.senderName = sender.name;
    record.senderAvatar = sender.avatar;
    return record;
}

std::optional<StoredMessage> Messages::earlierSend(qint64 senderId, const OutgoingMessage& message)
{
    const QList<QVariantList> earlier = m_db.rows(QStringLiteral("SELECT id, server_msg_id, conversation_id FROM messages"
                                                                 " WHERE sender_id = ? AND client_msg_id = ?"),
        { senderId, message.clientMsgId });
    if (earlier.isEmpty())
        return std::nullopt;
    const QVariantList& row = earlier.first();
    // The same id in another conversation is a different message the client
    // mislabelled: acknowledging it would tell the client it was stored.
    if (row.value(2).toLongLong() != message.conversationId)
        throw ServerError::conflict(Text::ClientMsgIdReused);
    return StoredMessage { row.value(0).toLongLong(), row.value(1).toString(), true };
}

void Messages::validate(const OutgoingMessage& message)
{
    if (!sendableTypes().contains(message.type))
        throw ServerError::badRequest(Text::UnknownMessageType, message.type.left(40));
    checkText(message.content, kMaxContent, Text::NounMessageText, true);
    checkText(message.fileName, 255, Text::NounFileName);
    checkText(message.fileUrl, 2048, Text::NounFileAddress);
    checkText(message.fileMimeType, 255, Text::NounFileType);
    if (needsFile(message.type)) {
        if (!message.fileUrl || message.fileUrl->isEmpty())
            throw ServerError::badRequest(Text::MessageNeedsFile, message.type);
    } else if (!message.content || message.content->trimmed().isEmpty()) {
        throw ServerError::badRequest(Text::MessageNeedsContent, message.type);
    }
    if (message.fileUrl)
        checkFileUrl(*message.fileUrl);
    if (message.fileSize && *message.fileSize < 0)
        throw ServerError::badRequest(Text::FileSizeNegative);
    if (message.replyToId) {
        const QVariant conversation = m_db.scalar(QStringLiteral("SELECT conversation_id FROM messages WHERE id = ?"), { *message.replyToId });
        if (!conversation.isValid() || conversation.toLongLong() != message.conversationId)
            throw ServerError::badRequest(Text::ReplyNotInConversation);
    }
}

qint64 Messages::storeNotice(qint64 conversationId, qint64 senderId, QLatin1StringView notice, const QString& content)
{
    Database::Transaction transaction(m_db);
    const qint64 id = m_db.insert(QStringLiteral("INSERT INTO messages (conversation_id, sender_id, type, content, notice, status,"
                                                 " server_msg_id, created_at) VALUES (?, ?, 'system', ?, ?, 'sent', ?, ?)"),
        { conversationId, senderId, content, QString(notice), newServerMsgId(), wiretime::now() });
    m_conversations.showToAll({ conversationId });
    m_conversations.touch({ conversationId }, wiretime::now());
    transaction.commit();
    return id;
}

std::optional<QJsonObject> Messages::messageJson(qint64 messageId)
{
    const QHash<qint64, QJsonObject> found = messagesJson({ messageId });
    if (found.isEmpty())
        return std::nullopt;
    return found.value(messageId);
}

template <typename Written>
QHash<qint64, Written> Messages::written(const QList<qint64>& messageIds, Written (MessageRecord::*write)(const QJsonArray&) const)
{
    QHash<qint64, Written> messages;
    if (messageIds.isEmpty())
        return messages;
    // The ids travel as one JSON array: one statement, however many there are.
    QJsonArray idList;
    for (const qint64 id : messageIds)
        idList.append(id);
    const QString ids = QString::fromUtf8(json::serialize(idList));
    static const QString select = QStringLiteral("SELECT m.id, m.conversation_id, m.sender_id, m.type, m.content, m.file_url,"
                                                 " m.file_name, m.file_size, m.file_mime_type,"
                                                 " CASE WHEN m.status IN ('sent', 'delivered') AND %1 THEN 'read' ELSE m.status END,"
                                                 " m.reply_to_id, m.server_msg_id, m.client_msg_id, m.created_at, m.revoked_at,"
                                                 " u.name, u.avatar, m.deleted_at, m.notice"
                                                 " FROM messages m JOIN users u ON u.id = m.sender_id"
                                                 " WHERE m.id IN (SELECT value FROM json_each(?))")
                                      .arg(readBySomeone(QLatin1StringView("m")));
    const QHash<qint64, QJsonArray> reactions = reactionsOf(ids);
    for (const QVariantList& row : m_db.rows(select, { ids })) {
        MessageRecord record;
        record.id = row.value(0).toLongLong();
        record.conversationId = row.value(1).toLongLong();
        record.senderId = row.value(2).toLongLong();
        record.type = row.value(3).toString();
        record.content = row.value(4);
        record.fileUrl = row.value(5);
        record.fileName = row.value(6);
        record.fileSize = row.value(7);
        record.fileMimeType = row.value(8);
        record.status = row.value(9).toString();
        record.replyToId = row.value(10);
        record.serverMsgId = row.value(11).toString();
        record.clientMsgId = row.value(12);
        record.createdAt = row.value(13).toString();
        record.revokedAt = row.value(14);
        record.senderName = row.value(15).toString();
        record.senderAvatar = row.value(16);
        record.removedByAdmin = !row.value(17).isNull();
        record.notice = row.value(18);
        messages.insert(record.id, (record.*write)(reactions.value(record.id)));
    }
    return messages;
}

QHash<qint64, QJsonObject> Messages::messagesJson(const QList<qint64>& messageIds)
{
    return written(messageIds, &MessageRecord::toJson);
}

QHash<qint64, QByteArray> Messages::messagesJsonText(const QList<qint64>& messageIds)
{
    return written(messageIds, &MessageRecord::toJsonText);
}

QHash<qint64, QJsonArray> Messages::reactionsOf(const QString& messageIds)
{
    const QList<QVariantList> found = m_db.rows(QStringLiteral("SELECT r.message_id, r.user_id, r.emoji, u.name"
                                                               " FROM reactions r JOIN users u ON u.id = r.user_id"
                                                               " WHERE r.message_id IN (SELECT value FROM json_each(?))"
                                                               " ORDER BY r.message_id, r.created_at, r.rowid"),
        { messageIds });
    QHash<qint64, QJsonArray> lists;
    for (const QVariantList& row : found) {
        const qint64 messageId = row.value(0).toLongLong();
        lists[messageId].append(QJsonObject {
            { QStringLiteral("messageId"), messageId },
            { QStringLiteral("userId"), row.value(1).toLongLong() },
            { QStringLiteral("emoji"), row.value(2).toString() },
            { QStringLiteral("userName"), row.value(3).toString() },
        });
    }
    return lists;
}

QJsonArray Messages::list(qint64 conversationId, qint64 userId, int limit, int offset)
{
    m_conversations.requireMember(conversationId, userId);
    if (limit < 1 || limit > kMaxPageSize)
        throw ServerError::badRequest(Text::LimitRange, kMaxPageSize);
    if (offset < 0)
        throw ServerError::badRequest(Text::OffsetNegative);
    QList<qint64> ids;
    {
        QSqlQuery query = m_db.exec(QStringLiteral("SELECT id FROM messages WHERE conversation_id = ? AND id > ?"
                                                   " ORDER BY id DESC LIMIT ? OFFSET ?"),
            { conversationId, m_conversations.clearedBefore(conversationId, userId), limit, offset });
        while (query.next())
            ids.append(query.value(0).toLongLong());
    }
    const QHash<qint64, QJsonObject> messages = messagesJson(ids);
    QJsonArray page;
    for (const qint64 id : ids) {
        if (const auto message = messages.constFind(id); message != messages.constEnd())
            page.append(*message);
    }
    return page;
}

qint64 Messages::visibleConversation(qint64 messageId, qint64 userId)
{
    const QVariant conversation = m_db.scalar(QStringLiteral("SELECT conversation_id FROM messages WHERE id = ?"), { messageId });
    const ServerError missing = ServerError::notFound(Text::MessageNotFound);
    if (!conversation.isValid())
        throw missing;
    const qint64 conversationId = conversation.toLongLong();
    if (!m_conversations.isMember(conversationId, userId) || messageId <= m_conversations.clearedBefore(conversationId, userId))
        throw missing;
    return conversationId;
}

qint64 Messages::revoke(qint64 messageId, qint64 userId)
{
    const qint64 conversationId = visibleConversation(messageId, userId);
    const qint64 senderId = m_db.scalar(QStringLiteral("SELECT sender_id FROM messages WHERE id = ?"), { messageId }).toLongLong();
    if (senderId != userId)
        throw ServerError::forbidden(Text::OnlySenderRevokes);
    m_db.exec(QStringLiteral("UPDATE messages SET revoked_at = ?, status = 'revoked' WHERE id = ? AND revoked_at IS NULL"),
        { wiretime::now(), messageId });
    return conversationId;
}

ReactionChange Messages::addReaction(qint64 messageId, qint64 userId, const QString& emoji)
{
    if (emoji.trimmed().isEmpty() || emoji.size() > kMaxEmoji)
        throw ServerError::badRequest(Text::EmojiLength, kMaxEmoji);
    ReactionChange change;
    change.conversationId = visibleConversation(messageId, userId);
    const QList<QVariantList> found = m_db.rows(QStringLiteral("SELECT revoked_at, sender_id FROM messages WHERE id = ?"), { messageId });
    if (found.isEmpty() || !found[0][0].isNull())
        throw ServerError::badRequest(Text::MessageRevoked);
    // A reaction is a message of its own: a block stops it both ways, in groups too.
    if (Blocks(m_db).between(userId, found[0][1].toLongLong()))
        throw ServerError::forbidden(Text::ReactBlocked);
    QSqlQuery query = m_db.exec(QStringLiteral("INSERT OR IGNORE INTO reactions (message_id, user_id, emoji, created_at) VALUES (?, ?, ?, ?)"),
        { messageId, userId, emoji, wiretime::now() });
    change.changed = query.numRowsAffected() > 0;
    return change;
}

bool Messages::markDelivered(qint64 messageId, qint64 userId)
{
    const QVariant conversation = m_db.scalar(QStringLiteral("SELECT conversation_id FROM messages WHERE id = ? AND sender_id != ?"),
        { messageId, userId });
    if (!conversation.isValid() || !m_conversations.isMember(conversation.toLongLong(), userId))
        return false;
    // A message already read is not taken back to delivered.
    static const QString update = QStringLiteral("UPDATE messages SET status = 'delivered' WHERE id = ? AND status = 'sent' AND NOT %1")
                                      .arg(readBySomeone(QLatin1StringView("messages")));
    return m_db.run(update, { messageId }) > 0;
}
