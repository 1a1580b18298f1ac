#include "store/IndexFileSchema.h"

namespace {

// What the text index must take back (the text it was given) and, for a changed text,
// read again. %1 is the message's row before the change.
QString queueChange(const QString& message)
{
    return QStringLiteral("INSERT INTO message_text_changes (message_id, old_content) VALUES (%1.id, %1.content);").arg(message);
}

} // namespace

QStringList indexFileSchema()
{
    return {
        QStringLiteral("DROP TRIGGER unread_on_send"),
        QStringLiteral("DROP TRIGGER unread_on_revoke"),
        QStringLiteral("DROP TRIGGER unread_on_remove"),
        QStringLiteral("DROP TRIGGER unread_on_mark"),
        QStringLiteral("DROP TRIGGER unread_on_join"),
        QStringLiteral("ALTER TABLE conversation_members DROP COLUMN unread_count"),
        // Counting a member's unread messages reads this index alone.
        QStringLiteral("DROP INDEX messages_conversation"),
        QStringLiteral("CREATE INDEX messages_conversation ON messages(conversation_id, id, sender_id, revoked_at)"),

        QStringLiteral("DROP TRIGGER message_text_on_send"),
        QStringLiteral("DROP TRIGGER message_text_on_remove"),
        QStringLiteral("DROP TRIGGER message_text_on_edit"),
        QStringLiteral("DROP TABLE message_text"),
        QStringLiteral("DROP TABLE message_pairs"),
        QStringLiteral("CREATE TABLE message_text_changes (seq INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " message_id INTEGER NOT NULL, old_content TEXT)"),
        QStringLiteral("CREATE TRIGGER message_text_on_remove AFTER DELETE ON messages BEGIN %1 END").arg(queueChange(QStringLiteral("old"))),
        QStringLiteral("CREATE TRIGGER message_text_on_edit AFTER UPDATE OF content ON messages BEGIN %1 END")
            .arg(queueChange(QStringLiteral("old"))),
        // Which database an index file was made for: one found beside another (a database
        // put back from a copy) starts again.
        QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('text_index_id', lower(hex(randomblob(16))))"),
    };
}
