#include "store/IndexSchema.h"

namespace {

// The messages a member has not read: after their read mark and what they deleted,
// from the others, not taken back. %1 is the member's row.
QString unreadCountOf(const QString& member)
{
    return QStringLiteral("(SELECT COUNT(*) FROM messages g WHERE g.conversation_id = %1.conversation_id"
                          " AND g.id > MAX(%1.last_read_id, %1.cleared_before_id)"
                          " AND g.sender_id != %1.user_id AND g.revoked_at IS NULL)")
        .arg(member);
}

// A message that stops counting (taken back or removed) leaves the count of every member
// who had not read it yet. %1 is the message's row.
QString uncount(const QString& message)
{
    return QStringLiteral("UPDATE conversation_members SET unread_count = unread_count - 1"
                          " WHERE conversation_id = %1.conversation_id AND user_id != %1.sender_id"
                          " AND %1.id > MAX(last_read_id, cleared_before_id);")
        .arg(message);
}

// A member's count is counted again when their marks move or they join: moving the mark
// to the newest message (what marking read and deleting do) leaves nothing to count.
QString recount()
{
    return QStringLiteral("UPDATE conversation_members SET unread_count = %1"
                          " WHERE conversation_id = new.conversation_id AND user_id = new.user_id;")
        .arg(unreadCountOf(QStringLiteral("new")));
}

} // namespace

QStringList indexSchema()
{
    return {
        QStringLiteral("ALTER TABLE conversation_members ADD COLUMN unread_count INTEGER NOT NULL DEFAULT 0"),
        // How far the member has marked read (deleting a conversation moves the read mark
        // but tells no sender anything): the others' messages up to it show as read.
        QStringLiteral("ALTER TABLE conversation_members ADD COLUMN read_receipt_id INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("CREATE INDEX conversation_members_receipt ON conversation_members(conversation_id, read_receipt_id)"),
        QStringLiteral("UPDATE conversation_members SET unread_count = %1").arg(unreadCountOf(QStringLiteral("conversation_members"))),
        QStringLiteral("CREATE TRIGGER unread_on_send AFTER INSERT ON messages WHEN new.revoked_at IS NULL BEGIN"
                       " UPDATE conversation_members SET unread_count = unread_count + 1"
                       " WHERE conversation_id = new.conversation_id AND user_id != new.sender_id"
                       " AND new.id > MAX(last_read_id, cleared_before_id); END"),
        QStringLiteral("CREATE TRIGGER unread_on_revoke AFTER UPDATE OF revoked_at ON messages"
                       " WHEN old.revoked_at IS NULL AND new.revoked_at IS NOT NULL BEGIN %1 END")
            .arg(uncount(QStringLiteral("old"))),
        QStringLiteral("CREATE TRIGGER unread_on_remove AFTER DELETE ON messages WHEN old.revoked_at IS NULL BEGIN %1 END")
            .arg(uncount(QStringLiteral("old"))),
        QStringLiteral("CREATE TRIGGER unread_on_mark AFTER UPDATE OF last_read_id, cleared_before_id ON conversation_members"
                       " BEGIN %1 END")
            .arg(recount()),
        QStringLiteral("CREATE TRIGGER unread_on_join AFTER INSERT ON conversation_members BEGIN %1 END").arg(recount()),

        // Substrings of three characters or more in any script, found without reading every
        // message; the texts themselves stay in the messages table.
        QStringLiteral("CREATE VIRTUAL TABLE message_text USING fts5(content, content='messages', content_rowid='id',"
                       " tokenize='trigram')"),
        QStringLiteral("INSERT INTO message_text(message_text) VALUES ('rebuild')"),
        QStringLiteral("CREATE TRIGGER message_text_on_send AFTER INSERT ON messages BEGIN"
                       " INSERT INTO message_text(rowid, content) VALUES (new.id, new.content); END"),
        QStringLiteral("CREATE TRIGGER message_text_on_remove AFTER DELETE ON messages BEGIN"
                       " INSERT INTO message_text(message_text, rowid, content) VALUES ('delete', old.id, old.content); END"),
        QStringLiteral("CREATE TRIGGER message_text_on_edit AFTER UPDATE OF content ON messages BEGIN"
                       " INSERT INTO message_text(message_text, rowid, content) VALUES ('delete', old.id, old.content);"
                       " INSERT INTO message_text(rowid, content) VALUES (new.id, new.content); END"),
    };
}
