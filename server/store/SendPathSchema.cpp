#include "store/SendPathSchema.h"

namespace {

// The last message the kept counts take in.
const QString kCountedThrough = QStringLiteral("(SELECT counted_through FROM unread_counts_state)");

// A member's kept count counted again when their marks move or they join: the messages
// up to the counted mark, after their read mark, from the others, not taken back.
QString recount()
{
    return QStringLiteral("UPDATE conversation_members SET unread_count = (SELECT COUNT(*) FROM messages g"
                          " WHERE g.conversation_id = new.conversation_id AND g.id > MAX(new.last_read_id, new.cleared_before_id)"
                          " AND g.id <= %1 AND g.sender_id != new.user_id AND g.revoked_at IS NULL)"
                          " WHERE conversation_id = new.conversation_id AND user_id = new.user_id;")
        .arg(kCountedThrough);
}

// A counted message that stops counting (taken back or removed) leaves the count of every
// member who had not read it yet.
QString uncount()
{
    return QStringLiteral("UPDATE conversation_members SET unread_count = unread_count - 1"
                          " WHERE conversation_id = old.conversation_id AND user_id != old.sender_id"
                          " AND old.id > MAX(last_read_id, cleared_before_id);");
}

// What the text index must take back (the text it was given) and, for a changed text,
// read again.
QString queueChange()
{
    return QStringLiteral("INSERT INTO message_text_changes (message_id, old_content) VALUES (old.id, old.content);");
}

} // namespace

QStringList sendPathSchema()
{
    return {
        QStringLiteral("DROP TRIGGER unread_on_send"),
        QStringLiteral("DROP TRIGGER unread_on_revoke"),
        QStringLiteral("DROP TRIGGER unread_on_remove"),
        QStringLiteral("DROP TRIGGER unread_on_mark"),
        QStringLiteral("DROP TRIGGER unread_on_join"),
        // The triggers until now counted every message stored.
        QStringLiteral("CREATE TABLE unread_counts_state (counted_through INTEGER NOT NULL)"),
        QStringLiteral("INSERT INTO unread_counts_state SELECT COALESCE(MAX(id), 0) FROM messages"),
        QStringLiteral("CREATE TRIGGER unread_on_revoke AFTER UPDATE OF revoked_at ON messages"
                       " WHEN old.revoked_at IS NULL AND new.revoked_at IS NOT NULL AND old.id <= %1 BEGIN %2 END")
            .arg(kCountedThrough, uncount()),
        QStringLiteral("CREATE TRIGGER unread_on_remove AFTER DELETE ON messages WHEN old.revoked_at IS NULL AND old.id <= %1 BEGIN %2 END")
            .arg(kCountedThrough, uncount()),
        QStringLiteral("CREATE TRIGGER unread_on_mark AFTER UPDATE OF last_read_id, cleared_before_id ON conversation_members"
                       " BEGIN %1 END")
            .arg(recount()),
        QStringLiteral("CREATE TRIGGER unread_on_join AFTER INSERT ON conversation_members BEGIN %1 END").arg(recount()),

        QStringLiteral("DROP TRIGGER message_text_on_send"),
        QStringLiteral("DROP TRIGGER message_text_on_remove"),
        QStringLiteral("DROP TRIGGER message_text_on_edit"),
        QStringLiteral("DROP TABLE message_text"),
        QStringLiteral("DROP TABLE message_pairs"),
        QStringLiteral("CREATE TABLE message_text_changes (seq INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " message_id INTEGER NOT NULL, old_content TEXT)"),
        QStringLiteral("CREATE TRIGGER message_text_on_remove AFTER DELETE ON messages BEGIN %1 END").arg(queueChange()),
        QStringLiteral("CREATE TRIGGER message_text_on_edit AFTER UPDATE OF content ON messages BEGIN %1 END").arg(queueChange()),
        // Which database an index file was made for: one found beside another (a database
        // put back from a copy) starts again.
        QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('text_index_id', lower(hex(randomblob(16))))"),
    };
}
