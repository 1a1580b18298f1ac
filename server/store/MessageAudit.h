#pragma once

// The administration's view of the stored messages: the paged audit list with its
// search (content and the sender's display name, any letter case), the message count of
// the statistics, and deleting a message.
//
// A page costs what it shows, not what the table holds: the list walks the messages
// from the newest, a search finds message texts through the text index (TextIndex) and
// senders in the users table, and the count of all messages is kept (see count()).
// Counting a search's matches costs as many as there are.

#include "store/PagedSearch.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariantList>

#include <optional>

class Database;
class QSqlQuery;

struct DeletedMessage {
    qint64 conversationId = 0;
    // False when an administrator had deleted it already.
    bool changed = false;
};

class MessageAudit {
public:
    explicit MessageAudit(Database& db);

    // Messages are only ever marked (revoked, deleted), never removed: the count taken
    // once in a process is kept and what was stored after it counted on top.
    qint64 count();
    // {"messages": [...], "total": n}, newest first; the audit sees revoked and
    // deleted messages with what they said.
    QJsonObject list(const PageRequest& request);
    // Marks the message deleted; its members see it revoked. Throws ServerError 404
    // for an unknown message.
    DeletedMessage remove(qint64 messageId);

private:
    // A statement of message ids, the order that walks them newest first, its values.
    struct IdQuery {
        QString sql;
        QString order;
        QVariantList values;
    };
    struct Matches {
        // The messages whose text holds the key, each message in one of them only.
        QList<IdQuery> texts;
        // The messages of the senders whose name holds the key.
        IdQuery senders;
    };
    Matches matchesOf(const QString& search);
    qint64 countOf(const Matches& matches, const QString& search);
    // One row of a page: its columns are those of kMessageColumns.
    static QJsonObject messageJson(const QSqlQuery& row);

    Database& m_db;
};
