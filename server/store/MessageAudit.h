#pragma once

// The administration's view of the stored messages: the paged audit list with its
// search (content and the sender's display name), the message count of the
// statistics, and deleting a message.

#include "store/PagedSearch.h"

#include <QJsonObject>

#include <optional>

class Database;

struct DeletedMessage {
    qint64 conversationId = 0;
    // False when an administrator had deleted it already.
    bool changed = false;
};

class MessageAudit {
public:
    explicit MessageAudit(Database& db);

    qint64 count();
    // {"messages": [...], "total": n}, newest first; the audit sees revoked and
    // deleted messages with what they said.
    QJsonObject list(const PageRequest& request);
    // Marks the message deleted; its members see it revoked. Throws ServerError 404
    // for an unknown message.
    DeletedMessage remove(qint64 messageId);

private:
    QJsonObject messageJson(qint64 messageId);

    Database& m_db;
};
