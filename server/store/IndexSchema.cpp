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

// Puts a message's text into both indexes (%1 is its row); the pair index holds texts only.
QString indexText(const QString& message)
{
    return QStringLiteral("INSERT INTO message_text(rowid, content) VALUES (%1.id, %1.content);"
                          " INSERT INTO message_pairs(rowid, tokens) SELECT %1.id, short_key_tokens(%1.content)"
                          " WHERE %1.content IS NOT NULL;")
        .arg(message);
}

// Takes it out again: both indexes are told what they held.
QString unindexText(const QString& message)
{
    return QStringLiteral("INSERT INTO message_text(message_text, rowid, content) VALUES ('delete', %1.id, %1.content);"
                          " INSERT INTO message_pairs(message_pairs, rowid, tokens) SELECT 'delete', %1.id, short_key_tokens(%1.content)"
                          " WHERE %1.content IS NOT NULL;")
        .arg(message);
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
        // Keys of one or two characters (see ShortKeyIndex.h): tokens only, no positions.
        QStringLiteral("CREATE VIRTUAL TABLE message_pairs USING fts5(tokens, content='', tokenize='ascii', prefix='6', detail='none')"),
        QStringLiteral("INSERT INTO message_pairs(rowid, tokens) SELECT id, short_key_tokens(content) FROM messages WHERE content IS NOT NULL"),
        QStringLiteral("CREATE TRIGGER message_text_on_send AFTER INSERT ON messages BEGIN %1 END").arg(indexText(QStringLiteral("new"))),
        QStringLiteral("CREATE TRIGGER message_text_on_remove AFTER DELETE ON messages BEGIN %1 END").arg(unindexText(QStringLiteral("old"))),
        QStringLiteral("CREATE TRIGGER message_text_on_edit AFTER UPDATE OF content ON messages BEGIN %1 %2 END")
            .arg(unindexText(QStringLiteral("old")), indexText(QStringLiteral("new"))),
    };
}
