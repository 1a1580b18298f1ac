#pragma once

// Chat messages and their reactions. Storing a message is idempotent per sender and
// client message id: a repeated send returns the first message's ids.

#include "http/ServerError.h"
#include "store/Conversations.h"
#include "store/MessageRecord.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <QList>

#include <optional>

class Database;
class PostingRights;
struct Sender;

struct OutgoingMessage {
    QString clientMsgId;
    qint64 conversationId = 0;
    QString type;
    std::optional<QString> content;
    std::optional<QString> fileUrl;
    std::optional<QString> fileName;
    std::optional<qint64> fileSize;
    std::optional<QString> fileMimeType;
    std::optional<qint64> replyToId;
};

struct StoredMessage {
    qint64 messageId = 0;
    QString serverMsgId;
    bool duplicate = false;
};

struct PendingMessage {
    qint64 senderId = 0;
    OutgoingMessage message;
};

// What became of one message of a batch: stored (perhaps as a repeat), refused with a
// ServerError, or failed for a fault of the server's own.
struct SendOutcome {
    StoredMessage stored;
    // For a message stored now (not a repeat): the conversation's members when it was
    // committed, whom it is delivered to, and the message as it was stored.
    QList<qint64> members;
    MessageRecord record;
    std::optional<ServerError> refusal;
    bool failed = false;
};

struct ReactionChange {
    qint64 conversationId = 0;
    bool changed = false;
};

class Messages {
public:
    static constexpr int kMaxContent = 20000;
    static constexpr int kMaxClientMsgId = 128;
    static constexpr int kMaxPageSize = 200;
    static constexpr int kMaxEmoji = 32;

    Messages(Database& db, Conversations& conversations);

    // Validates, checks membership and commits; throws ServerError for bad input.
    StoredMessage store(qint64 senderId, const OutgoingMessage& message);
    // Stores the messages in one transaction; one message refused leaves the others.
    // Returns one outcome per message, in order, once the transaction has committed; when
    // the commit itself fails every outcome has failed.
    QList<SendOutcome> storeAll(const QList<PendingMessage>& batch, PostingRights& rights);
    // The "notice" of a dissolved group, which clients word in their own language.
    static constexpr QLatin1StringView kGroupDissolved { "group_dissolved" };

    // A "system" message the server itself puts into a conversation: what it announces
    // (notice, such as kGroupDissolved) and, for whoever reads the content, the
    // announcement in the language of the one who made it. Returns its id.
    qint64 storeNotice(qint64 conversationId, qint64 senderId, QLatin1StringView notice, const QString& content);
    std::optional<QJsonObject> messageJson(qint64 messageId);
    // The messages of these ids that exist, as messageJson() writes them, by id.
    QHash<qint64, QJsonObject> messagesJson(const QList<qint64>& messageIds);
    // The same, each written as JSON text.
    QHash<qint64, QByteArray> messagesJsonText(const QList<qint64>& messageIds);
    // Newest first; only what this member may see.
    QJsonArray list(qint64 conversationId, qint64 userId, int limit, int offset);
    // The conversation of a message the user can see; throws 404 otherwise.
    qint64 visibleConversation(qint64 messageId, qint64 userId);
    // Own messages only; returns the conversation id. Revoking twice is harmless.
    qint64 revoke(qint64 messageId, qint64 userId);
    ReactionChange addReaction(qint64 messageId, qint64 userId, const QString& emoji);
    // A recipient's device has the message: "sent" becomes "delivered".
    bool markDelivered(qint64 messageId, qint64 userId);

private:
    // Puts one message into the open transaction, stamped createdAt; showing the
    // conversation again is the caller's.
    StoredMessage insert(qint64 senderId, const OutgoingMessage& message, const PostingRight& right, const QString& createdAt);
    // What a delivery of a message stored now says of it, from what was written.
    static MessageRecord recordOf(const PendingMessage& pending, const StoredMessage& stored, const QString& createdAt, const Sender& sender);
    // The message this sender already sent with this clientMsgId; throws 409 when that
    // one went to another conversation.
    std::optional<StoredMessage> earlierSend(qint64 senderId, const OutgoingMessage& message);
    // Throws ServerError 400 for a message no conversation takes.
    void validate(const OutgoingMessage& message);
    // The messages of these ids that exist, each written by write, by id.
    template <typename Written>
    QHash<qint64, Written> written(const QList<qint64>& messageIds, Written (MessageRecord::*write)(const QJsonArray&) const);
    // The reactions of the messages in a JSON array of ids, each message's in order.
    QHash<qint64, QJsonArray> reactionsOf(const QString& messageIds);

    Database& m_db;
    Conversations& m_conversations;
};
