#pragma once

#include "models/Conversation.h"
#include "models/Message.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

// One row of the favourites reply; only the saved message is used.
struct FavoriteRecord {
    std::optional<qint64> id;
    std::optional<qint64> messageId;
    std::optional<qint64> conversationId;
    std::optional<QString> note;
    std::optional<Message> message;

    static FavoriteRecord read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// Conversations, messages and favourites.
class ChatService final {
public:
    static ChatService& shared();
    explicit ChatService(APIClient& api)
        : api(api)
    {
    }

    QCoro::Task<QList<Conversation>> getConversations();
    QCoro::Task<QList<Message>> getMessages(qint64 conversationId, qint64 limit, qint64 offset);
    QCoro::Task<> markAsRead(qint64 conversationId);
    QCoro::Task<> deleteConversation(qint64 conversationId);
    QCoro::Task<> revokeMessage(qint64 messageId);
    QCoro::Task<> addReaction(qint64 messageId, QString emoji);
    // Returns the new conversation's id.
    QCoro::Task<qint64> createConversation(QString type, std::optional<QString> name, QList<qint64> memberIds);
    // The saved messages in reply order; favourites without a message are skipped.
    QCoro::Task<QList<Message>> getFavorites(qint64 limit, qint64 offset);
    QCoro::Task<> removeFavorite(qint64 messageId);

    APIClient& api;
};
