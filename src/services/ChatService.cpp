#include "services/ChatService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

using namespace Qt::Literals::StringLiterals;

FavoriteRecord FavoriteRecord::read(const json::Reader& r)
{
    return FavoriteRecord {
        r.optional<qint64>("id"_L1),
        r.optional<qint64>("messageId"_L1),
        r.optional<qint64>("conversationId"_L1),
        r.optional<QString>("note"_L1),
        r.optional<Message>("message"_L1),
    };
}

void FavoriteRecord::write(json::Writer& w) const
{
    w.optional("id"_L1, id);
    w.optional("messageId"_L1, messageId);
    w.optional("conversationId"_L1, conversationId);
    w.optional("note"_L1, note);
    w.optional("message"_L1, message);
}

ChatService& ChatService::shared()
{
    static ChatService instance(APIClient::shared());
    return instance;
}

QCoro::Task<QList<Conversation>> ChatService::getConversations()
{
    return procedure::query<QList<Conversation>>(api, u"conversations.list"_s);
}

QCoro::Task<QList<Message>> ChatService::getMessages(qint64 conversationId, qint64 limit, qint64 offset)
{
    struct Input {
        qint64 conversationId;
        qint64 limit;
        qint64 offset;
        void write(json::Writer& w) const
        {
            w.required("conversationId"_L1, conversationId);
            w.required("limit"_L1, limit);
            w.required("offset"_L1, offset);
        }
    };
    return procedure::query<QList<Message>>(api, u"messages.list"_s, Input { conversationId, limit, offset });
}

QCoro::Task<> ChatService::markAsRead(qint64 conversationId)
{
    return procedure::mutation<void>(api, u"conversations.markAsRead"_s, procedure::Id { "conversationId"_L1, conversationId });
}

QCoro::Task<> ChatService::deleteConversation(qint64 conversationId)
{
    return procedure::mutation<void>(api, u"conversations.deleteForUser"_s, procedure::Id { "conversationId"_L1, conversationId });
}

QCoro::Task<> ChatService::revokeMessage(qint64 messageId)
{
    return procedure::mutation<void>(api, u"messages.revoke"_s, procedure::Id { "messageId"_L1, messageId });
}

QCoro::Task<> ChatService::addReaction(qint64 messageId, QString emoji)
{
    struct Input {
        qint64 messageId;
        QString emoji;
        void write(json::Writer& w) const
        {
            w.required("messageId"_L1, messageId);
            w.required("emoji"_L1, emoji);
        }
    };
    return procedure::mutation<void>(api, u"messages.addReaction"_s, Input { messageId, std::move(emoji) });
}

QCoro::Task<qint64> ChatService::createConversation(QString type, std::optional<QString> name, QList<qint64> memberIds)
{
    struct Input {
        QString type;
        std::optional<QString> name;
        QList<qint64> memberIds;
        void write(json::Writer& w) const
        {
            w.required("type"_L1, type);
            w.optional("name"_L1, name);
            w.required("memberIds"_L1, memberIds);
        }
    };
    struct Result {
        qint64 conversationId;
        static Result read(const json::Reader& r) { return Result { r.required<qint64>("conversationId"_L1) }; }
    };
    Input input { std::move(type), std::move(name), std::move(memberIds) };
    const Result result = co_await procedure::mutation<Result>(api, u"conversations.create"_s, std::move(input));
    co_return result.conversationId;
}

QCoro::Task<QList<Message>> ChatService::getFavorites(qint64 limit, qint64 offset)
{
    struct Input {
        qint64 limit;
        qint64 offset;
        void write(json::Writer& w) const
        {
            w.required("limit"_L1, limit);
            w.required("offset"_L1, offset);
        }
    };
    Input input { limit, offset };
    const QList<FavoriteRecord> records
        = co_await procedure::query<QList<FavoriteRecord>>(api, u"favorites.list"_s, std::move(input));
    QList<Message> messages;
    for (const FavoriteRecord& record : records) {
        if (record.message)
            messages.append(*record.message);
    }
    co_return messages;
}

QCoro::Task<> ChatService::removeFavorite(qint64 messageId)
{
    return procedure::mutation<void>(api, u"favorites.remove"_s, procedure::Id { "messageId"_L1, messageId });
}
