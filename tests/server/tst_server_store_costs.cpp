// Reads whose cost must not grow with the data: the conversation list in one statement,
// message search through the text index, unread counts and read marks kept by the
// database, member lists held to their limit. Each is compared with what the server
// answered before (the old statements, kept here as the reference).

#include "ServerProcess.h"
#include "ServerTestClient.h"
#include "http/HttpFront.h"
#include "http/ServerError.h"
#include "store/Conversations.h"
#include "store/Database.h"
#include "live/MessageWriter.h"
#include "store/GlobalSearch.h"
#include "store/GroupAdministration.h"
#include "store/IndexSchema.h"
#include "store/MessageAudit.h"
#include "store/PagedSearch.h"
#include "store/Messages.h"
#include "store/RowJson.h"
#include "store/TextIndex.h"
#include "store/UnreadCounts.h"
#include "store/UserDirectory.h"

#include "models/Json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const Presence kNobodyOnline = [](qint64) { return false; };

// A store with four users who are all contacts of each other (made on first opening).
class Store {
public:
    explicit Store(const QString& path)
        : db(std::make_unique<Database>(path))
    {
        for (const QVariantList& row : db->rows(u"SELECT id FROM users ORDER BY id"_s))
            users << row[0].toLongLong();
        if (!users.isEmpty())
            return;
        for (const QString& name : { u"alice"_s, u"bob"_s, u"carol"_s, u"dan"_s })
            users << db->insert(u"INSERT INTO users (username, name, password_hash, password_salt, password_iterations,"
                                " created_at, updated_at) VALUES (?, ?, x'00', x'00', 1, 't', 't')"_s,
                { name, name.toUpper() });
        for (const qint64 a : users) {
            for (const qint64 b : users) {
                if (a != b)
                    db->insert(u"INSERT INTO contacts (user_id, contact_id, created_at) VALUES (?, ?, 't')"_s, { a, b });
            }
        }
    }

    Conversations& conversations()
    {
        if (!m_conversations)
            m_conversations = std::make_unique<Conversations>(*db);
        return *m_conversations;
    }
    Messages& messages()
    {
        if (!m_messages)
            m_messages = std::make_unique<Messages>(*db, conversations());
        return *m_messages;
    }

    // The conversation list as the procedure writes it (last messages whole), read back
    // strictly: text that is not JSON gives an empty list.
    QJsonArray conversationList(qint64 viewer, const Presence& online = kNobodyOnline)
    {
        const QByteArray text = conversations().listFor(viewer, online, [this](const QList<qint64>& ids) { return messages().messagesJsonText(ids); });
        // Compact JSON holds no control character but escaped ones, which Qt's parser
        // would let pass.
        if (std::any_of(text.cbegin(), text.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            qWarning() << "the list holds a control character:" << text;
            return {};
        }
        try {
            return json::parse(text).toArray();
        } catch (const json::DecodeError& error) {
            qWarning() << "the list is not JSON:" << error.description() << text;
            return {};
        }
    }

    qint64 send(qint64 sender, qint64 conversation, const QString& text)
    {
        OutgoingMessage message;
        message.conversationId = conversation;
        message.type = u"text"_s;
        message.content = text;
        message.clientMsgId = u"c%1"_s.arg(++m_sent);
        return messages().store(sender, message).messageId;
    }

    std::unique_ptr<Database> db;
    QList<qint64> users;

private:
    std::unique_ptr<Conversations> m_conversations;
    std::unique_ptr<Messages> m_messages;
    int m_sent = 0;
};

// The conversation list as the server wrote it with a query per row.
QJsonArray listAsBefore(Database& db, Messages& messages, qint64 userId, const Presence& online = kNobodyOnline)
{
    QJsonArray list;
    const QList<QVariantList> rows = db.rows(
        u"SELECT c.id, c.type, COALESCE(g.name, c.name), COALESCE(g.avatar, c.avatar), c.creator_id,"
        " c.created_at, c.updated_at, m.last_read_id, m.cleared_before_id, m.pinned, m.muted,"
        " (SELECT COUNT(*) FROM conversation_members x WHERE x.conversation_id = c.id),"
        " (SELECT MAX(id) FROM messages WHERE conversation_id = c.id AND id > m.cleared_before_id) AS last_id"
        " FROM conversations c JOIN conversation_members m ON m.conversation_id = c.id"
        " LEFT JOIN chat_groups g ON g.conversation_id = c.id WHERE m.user_id = ? AND m.hidden = 0"
        " ORDER BY m.pinned DESC, COALESCE((SELECT created_at FROM messages WHERE id = last_id), c.created_at) DESC, c.id DESC"_s,
        { userId });
    for (const QVariantList& row : rows) {
        QJsonObject c;
        const qint64 id = row[0].toLongLong();
        c.insert(u"id"_s, id);
        c.insert(u"type"_s, row[1].toString());
        rowjson::putText(c, QLatin1StringView("name"), row[2]);
        rowjson::putText(c, QLatin1StringView("avatar"), row[3]);
        if (!row[4].isNull())
            c.insert(u"creatorId"_s, row[4].toLongLong());
        c.insert(u"memberCount"_s, row[11].toLongLong());
        c.insert(u"createdAt"_s, row[5].toString());
        c.insert(u"updatedAt"_s, row[6].toString());
        c.insert(u"isPinned"_s, row[9].toInt() != 0);
        c.insert(u"isMuted"_s, row[10].toInt() != 0);
        if (row[1].toString() == u"private") {
            const QList<QVariantList> other = db.rows(u"SELECT u.id, u.name, u.avatar FROM conversation_members m JOIN users u"
                                                      " ON u.id = m.user_id WHERE m.conversation_id = ? AND m.user_id != ? LIMIT 1"_s,
                { id, userId });
            if (!other.isEmpty()) {
                c.insert(u"name"_s, other[0][1].toString());
                rowjson::putText(c, QLatin1StringView("avatar"), other[0][2]);
                c.insert(u"online"_s, online(other[0][0].toLongLong()));
                c.insert(u"peerId"_s, other[0][0].toLongLong());
            }
        }
        if (row[12].toLongLong() > 0) {
            const QJsonObject last = messages.messageJson(row[12].toLongLong()).value();
            c.insert(u"lastMessage"_s, last);
            c.insert(u"lastMessageTime"_s, last.value(u"createdAt"_s));
        }
        c.insert(u"unreadCount"_s,
            db.scalar(u"SELECT COUNT(*) FROM messages WHERE conversation_id = ? AND id > ? AND sender_id != ? AND revoked_at IS NULL"_s,
                  { id, qMax(row[7].toLongLong(), row[8].toLongLong()), userId })
                .toLongLong());
        list.append(c);
    }
    return list;
}

// The message search as the server made it, reading every message of the user's conversations.
QJsonArray searchAsBefore(Database& db, qint64 userId, const QString& keyword, qint64 limit)
{
    QJsonArray found;
    const QList<QVariantList> rows = db.rows(
        u"SELECT msg.id, msg.content, msg.conversation_id, msg.sender_id, u.name, msg.created_at, msg.type FROM messages msg"
        " JOIN conversation_members m ON m.conversation_id = msg.conversation_id AND m.user_id = ?"
        " JOIN users u ON u.id = msg.sender_id WHERE msg.id > m.cleared_before_id AND msg.revoked_at IS NULL"
        " AND msg.content LIKE ? ESCAPE '\\' ORDER BY msg.id DESC LIMIT ?"_s,
        { userId, UserDirectory::containsPattern(keyword.trimmed()), limit });
    for (const QVariantList& row : rows) {
        QJsonObject message;
        message.insert(u"id"_s, row[0].toLongLong());
        rowjson::putText(message, QLatin1StringView("content"), row[1]);
        message.insert(u"conversationId"_s, row[2].toLongLong());
        message.insert(u"senderId"_s, row[3].toLongLong());
        message.insert(u"senderName"_s, row[4].toString());
        message.insert(u"createdAt"_s, row[5].toString());
        message.insert(u"type"_s, row[6].toString());
        found.append(message);
    }
    return found;
}

// The audit list as the server made it, reading every message to search them.
QJsonObject auditAsBefore(Database& db, const PageRequest& request)
{
    const PageOfIds page = pageOfMatches(db,
        u"SELECT m.id, m.content, u.name FROM messages m JOIN users u ON u.id = m.sender_id ORDER BY m.id DESC"_s, request);
    QJsonArray messages;
    for (const qint64 id : page.ids) {
        const QList<QVariantList> rows = db.rows(u"SELECT m.id, m.sender_id, u.name, m.conversation_id, m.content, m.type,"
                                                 " m.created_at, m.deleted_at, m.file_name"
                                                 " FROM messages m JOIN users u ON u.id = m.sender_id WHERE m.id = ?"_s,
            { id });
        const QVariantList& row = rows.value(0);
        QJsonObject message { { u"id"_s, row[0].toLongLong() }, { u"senderId"_s, row[1].toLongLong() }, { u"senderName"_s, row[2].toString() },
            { u"conversationId"_s, row[3].toLongLong() }, { u"type"_s, row[5].toString() }, { u"createdAt"_s, row[6].toString() },
            { u"isDeleted"_s, !row[7].isNull() } };
        rowjson::putText(message, QLatin1StringView("content"), row[4].isNull() ? row[8] : row[4]);
        messages.append(message);
    }
    return { { u"messages"_s, messages }, { u"total"_s, page.total } };
}

QString text(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QString text(const QJsonArray& array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

// Takes the schema back to before the step that brought the kept counts and the text
// index (and the steps after it: notices, and the one that moved them out again), as a
// data directory of an older server has it.
void forgetIndexStep(Database& db)
{
    for (const QString& trigger : { u"unread_on_revoke"_s, u"unread_on_remove"_s, u"unread_on_mark"_s, u"unread_on_join"_s,
             u"message_text_on_remove"_s, u"message_text_on_edit"_s })
        db.exec(u"DROP TRIGGER "_s + trigger);
    db.exec(u"DROP TABLE unread_counts_state"_s);
    db.exec(u"DROP TABLE message_text_changes"_s);
    db.exec(u"DELETE FROM meta WHERE key = 'text_index_id'"_s);
    db.exec(u"DROP INDEX conversation_members_receipt"_s);
    db.exec(u"ALTER TABLE conversation_members DROP COLUMN unread_count"_s);
    db.exec(u"ALTER TABLE conversation_members DROP COLUMN read_receipt_id"_s);
    // The steps after it, undone too.
    db.exec(u"ALTER TABLE messages DROP COLUMN notice"_s);
    db.exec(u"PRAGMA user_version = %1"_s.arg(db.schemaVersion() - 3));
}

// ... and then to the step that kept the counts and both text indexes in the database
// itself through triggers, as the server of the round before left it.
void backToTriggerStep(Database& db)
{
    forgetIndexStep(db);
    Database::Transaction transaction(db);
    for (const QString& statement : indexSchema())
        db.exec(statement);
    db.exec(u"PRAGMA user_version = %1"_s.arg(db.schemaVersion() + 1));
    transaction.commit();
}

// Messages in several scripts in a private chat of alice and bob and a group of all four,
// some taken back, deleted by an administrator, edited, erased from the database or
// deleted by bob for himself. beforeTheEdit runs before the text changes.
void writeSearchedMessages(Store& store, const std::function<void()>& beforeTheEdit = {})
{
    const qint64 alice = store.users[0], bob = store.users[1], carol = store.users[2];
    const qint64 chat = store.conversations().openPrivate(alice, bob);
    const qint64 group = store.conversations().createGroup(alice, u"club"_s, { bob, carol, store.users[3] });
    const qint64 other = store.conversations().openPrivate(alice, carol);
    store.send(alice, chat, u"an early word bob deleted for himself: gone-for-bob"_s);
    store.conversations().deleteForUser(chat, bob);
    store.send(alice, chat, u"周末爬山 Weekend Hiking"_s);
    store.send(bob, chat, u"Hello there, HELLO again"_s);
    store.send(carol, group, u"派对🎉今晚"_s);
    store.send(bob, group, u"50% off_today and 50%_off tomorrow"_s);
    store.send(alice, group, u"山上好世界"_s);
    store.send(alice, other, u"hello from a chat bob is not in"_s);
    const qint64 revoked = store.send(bob, chat, u"taken back: withdrawn words"_s);
    store.messages().revoke(revoked, bob);
    const qint64 removed = store.send(carol, group, u"removed by the administrator: forbidden"_s);
    MessageAudit(*store.db).remove(removed);
    const qint64 edited = store.send(alice, group, u"old wording of the plan"_s);
    const qint64 erased = store.send(bob, group, u"erased for good"_s);
    if (beforeTheEdit)
        beforeTheEdit();
    store.db->exec(u"UPDATE messages SET content = 'new phrasing of the plan' WHERE id = ?"_s, { edited });
    store.db->exec(u"DELETE FROM messages WHERE id = ?"_s, { erased });
    for (int i = 0; i < 3; ++i)
        store.send(carol, group, u"e %1 Ä ä"_s.arg(i));
}

} // namespace

class TestServerStoreCosts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void conversationRows_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::newRow("private, unread from the other") << u"private"_s;
        QTest::newRow("private, read then more arrived") << u"read then more"_s;
        QTest::newRow("group with everyone writing") << u"group"_s;
        QTest::newRow("empty group") << u"empty"_s;
        QTest::newRow("last message revoked") << u"revoked last"_s;
        QTest::newRow("an unread message revoked") << u"revoked unread"_s;
        QTest::newRow("last message deleted by an administrator") << u"removed last"_s;
        QTest::newRow("dissolved group") << u"dissolved"_s;
        QTest::newRow("deleted for one member, then a new message") << u"deleted then new"_s;
        QTest::newRow("pinned and muted among others") << u"pinned"_s;
    }

    // Every member's list equals the one a query per row made: peer, last message,
    // unread count and order.
    void conversationRows()
    {
        QFETCH(QString, scenario);
        QTemporaryDir dir;
        Store store(dir.filePath(u"list.sqlite3"_s));
        const qint64 alice = store.users[0], bob = store.users[1], carol = store.users[2];
        Conversations& conversations = store.conversations();
        const qint64 chat = conversations.openPrivate(alice, bob);
        const qint64 group = conversations.createGroup(alice, u"club"_s, { bob, carol });
        store.send(alice, chat, u"first"_s);
        if (scenario == u"private") {
            store.send(bob, chat, u"one"_s);
            store.send(bob, chat, u"two"_s);
        } else if (scenario == u"read then more") {
            store.send(bob, chat, u"one"_s);
            QVERIFY(conversations.markRead(chat, alice));
            store.send(bob, chat, u"two"_s);
            store.send(alice, chat, u"three"_s);
            store.send(bob, chat, u"four"_s);
        } else if (scenario == u"group") {
            for (const qint64 sender : { alice, bob, carol, bob })
                store.send(sender, group, u"in the club"_s);
            QVERIFY(conversations.markRead(group, carol));
            store.send(bob, group, u"after carol read"_s);
        } else if (scenario == u"revoked last") {
            store.messages().revoke(store.send(bob, chat, u"oops"_s), bob);
        } else if (scenario == u"revoked unread") {
            const qint64 early = store.send(bob, chat, u"early"_s);
            store.send(bob, chat, u"late"_s);
            store.messages().revoke(early, bob);
        } else if (scenario == u"removed last") {
            store.send(carol, group, u"kept"_s);
            MessageAudit(*store.db).remove(store.send(carol, group, u"removed"_s));
        } else if (scenario == u"dissolved") {
            store.send(bob, group, u"before the end"_s);
            const qint64 groupId = store.db->scalar(u"SELECT id FROM chat_groups WHERE conversation_id = ?"_s, { group }).toLongLong();
            QVERIFY(GroupAdministration(*store.db).dissolve(groupId));
        } else if (scenario == u"deleted then new") {
            store.send(bob, chat, u"one"_s);
            conversations.deleteForUser(chat, alice);
            store.send(bob, chat, u"after the deletion"_s);
            store.send(bob, group, u"in the club"_s);
        } else if (scenario == u"pinned") {
            store.send(bob, group, u"newer"_s);
            store.db->exec(u"UPDATE conversation_members SET pinned = 1, muted = 1 WHERE conversation_id = ? AND user_id = ?"_s,
                { chat, bob });
        }
        for (const qint64 viewer : { alice, bob, carol }) {
            const QJsonArray expected = listAsBefore(*store.db, store.messages(), viewer);
            QVERIFY(!expected.isEmpty());
            QCOMPARE(text(store.conversationList(viewer)), text(expected));
        }
    }

    void conversationRowsStayFresh_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("a new last message") << u"new message"_s;
        QTest::newRow("the other member read it") << u"read"_s;
        QTest::newRow("pinned") << u"pin"_s;
        QTest::newRow("muted") << u"mute"_s;
        QTest::newRow("the other member came online") << u"online"_s;
        QTest::newRow("a reaction on the last message") << u"reaction"_s;
        QTest::newRow("the last message revoked") << u"revoke"_s;
        QTest::newRow("the sender renamed") << u"rename"_s;
        QTest::newRow("texts that need escaping") << u"escaping"_s;
    }

    // The list read again after a change shows it: nothing of a row outlives what it was
    // written from, and every text reads back as it was stored.
    void conversationRowsStayFresh()
    {
        QFETCH(QString, change);
        QTemporaryDir dir;
        Store store(dir.filePath(u"fresh.sqlite3"_s));
        const qint64 alice = store.users[0], bob = store.users[1], carol = store.users[2];
        const qint64 chat = store.conversations().openPrivate(alice, bob);
        const qint64 group = store.conversations().createGroup(alice, u"club"_s, { bob, carol });
        store.send(bob, group, u"in the club"_s);
        const qint64 last = store.send(bob, chat, u"hello alice"_s);
        bool bobOnline = false;
        const Presence online = [&](qint64 user) { return user == bob && bobOnline; };
        const QJsonArray before = store.conversationList(alice, online);
        QCOMPARE(text(before), text(listAsBefore(*store.db, store.messages(), alice, online)));

        if (change == u"new message") {
            store.send(alice, chat, u"hello bob"_s);
        } else if (change == u"read") {
            store.send(alice, chat, u"hello bob"_s);
            store.conversationList(alice, online);
            QVERIFY(store.conversations().markRead(chat, bob));
        } else if (change == u"pin" || change == u"mute") {
            store.db->exec(u"UPDATE conversation_members SET %1 = 1 WHERE conversation_id = ? AND user_id = ?"_s.arg(change == u"pin" ? u"pinned"_s : u"muted"_s),
                { group, alice });
        } else if (change == u"online") {
            bobOnline = true;
        } else if (change == u"reaction") {
            QVERIFY(store.messages().addReaction(last, alice, u"👍"_s).changed);
        } else if (change == u"revoke") {
            store.messages().revoke(last, bob);
        } else if (change == u"rename") {
            store.db->exec(u"UPDATE users SET name = 'Robert', avatar = '/uploads/robert.png' WHERE id = ?"_s, { bob });
        } else if (change == u"escaping") {
            store.db->exec(u"UPDATE users SET name = ? WHERE id = ?"_s, { u"\"Bob\" \\ the\tsecond\u0001"_s, bob });
            store.db->exec(u"UPDATE chat_groups SET name = ? WHERE conversation_id = ?"_s, { u"club 🎉 </script>"_s, group });
            // Control characters as an older server may have stored them.
            store.db->exec(u"UPDATE messages SET content = ? WHERE id = ?"_s,
                { u"line\uFEFF one\nline two \"quoted\" C:\\dir 周末 😀\u001F\u007F"_s, store.send(bob, chat, u"plain"_s) });
        }
        const QJsonArray after = store.conversationList(alice, online);
        QCOMPARE(text(after), text(listAsBefore(*store.db, store.messages(), alice, online)));
        QVERIFY(text(after) != text(before));
        if (change == u"escaping") {
            // Read back as stored.
            const auto nameOf = [&](qint64 conversation) {
                for (const QJsonValue& row : after) {
                    if (row["id"_L1].toInteger() == conversation)
                        return std::pair { row["name"_L1].toString(), row["lastMessage"_L1]["content"_L1].toString() };
                }
                return std::pair<QString, QString> {};
            };
            QCOMPARE(nameOf(group).first, u"club 🎉 </script>"_s);
            QCOMPARE(nameOf(chat), std::pair(u"\"Bob\" \\ the\tsecond\u0001"_s, u"line\uFEFF one\nline two \"quoted\" C:\\dir 周末 😀\u001F\u007F"_s));
        }
    }

    void searchThroughIndex_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("found");
        QTest::newRow("CJK, four characters") << u"周末爬山"_s << 1;
        QTest::newRow("CJK, three characters") << u"好世界"_s << 1;
        QTest::newRow("CJK, two characters") << u"好世"_s << 1;
        QTest::newRow("CJK, one character") << u"山"_s << 2;
        QTest::newRow("CJK, the last two characters of a text") << u"今晚"_s << 1;
        QTest::newRow("CJK, the last character of a text") << u"晚"_s << 1;
        QTest::newRow("emoji and CJK, two characters") << u"🎉今"_s << 1;
        QTest::newRow("Latin, two characters in either case") << u"HE"_s << 2;
        QTest::newRow("emoji alone") << u"🎉"_s << 1;
        QTest::newRow("emoji among CJK") << u"派对🎉今"_s << 1;
        QTest::newRow("mixed case") << u"hElLo"_s << 1;
        QTest::newRow("Latin, two characters") << u"lo"_s << 1;
        QTest::newRow("Latin, one character") << u"w"_s << 3;
        QTest::newRow("non-ASCII case is kept") << u"Ä ä"_s << 3;
        QTest::newRow("non-ASCII other case") << u"ä Ä"_s << 0;
        QTest::newRow("percent as a character") << u"50%"_s << 1;
        QTest::newRow("underscore as a character") << u"%_off"_s << 1;
        QTest::newRow("percent alone") << u"%"_s << 1;
        QTest::newRow("underscore alone") << u"_"_s << 1;
        QTest::newRow("quotes") << u"\"Weekend\""_s << 0;
        QTest::newRow("revoked words") << u"withdrawn"_s << 0;
        QTest::newRow("words deleted by an administrator") << u"forbidden"_s << 0;
        QTest::newRow("edited: the old text") << u"old wording"_s << 0;
        QTest::newRow("edited: the new text") << u"new phrasing"_s << 1;
        QTest::newRow("edited: words of both texts") << u"of the plan"_s << 1;
        QTest::newRow("erased from the database") << u"erased"_s << 0;
        QTest::newRow("deleted for the searcher") << u"gone-for-bob"_s << 0;
        QTest::newRow("a chat of others") << u"not in"_s << 0;
        QTest::newRow("surrounding spaces") << u"  Hiking "_s << 1;
        QTest::newRow("no match") << u"zebra crossing"_s << 0;
    }

    // What bob finds through the index is what reading every message found, in order,
    // however far the index has caught up: what it does not hold yet, and texts changed
    // after it took them, are found all the same.
    void searchThroughIndex()
    {
        QFETCH(QString, keyword);
        QFETCH(int, found);
        for (const QString& progress : { u"none"_s, u"half"_s, u"all"_s, u"before the edit"_s, u"before the edit and after"_s }) {
            QTemporaryDir dir;
            Store store(dir.filePath(u"search.sqlite3"_s));
            const auto catchUp = [&store](int messages) {
                TextIndex index(*store.db);
                while (index.catchUp(messages) && messages == TextIndex::kMaxChunk) {
                }
            };
            writeSearchedMessages(store, [&] {
                if (progress.startsWith(u"before the edit"_s))
                    catchUp(TextIndex::kMaxChunk);
            });
            if (progress == u"half")
                catchUp(store.db->scalar(u"SELECT COUNT(*) FROM messages"_s).toInt() / 2);
            if (progress == u"all" || progress.endsWith(u"after"_s))
                catchUp(TextIndex::kMaxChunk);
            compareSearch(store, keyword, found);
            if (QTest::currentTestFailed())
                qWarning().noquote() << "with the index caught up:" << progress;
        }
    }

    void searchOnDatabaseMadeBeforeTheIndex_data() { searchThroughIndex_data(); }
    // A data directory written before the index existed gets it, and the unread counts,
    // when the server starts on it.
    void searchOnDatabaseMadeBeforeTheIndex()
    {
        QFETCH(QString, keyword);
        QFETCH(int, found);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"older.sqlite3"_s);
        {
            Store older(path);
            forgetIndexStep(*older.db);
            writeSearchedMessages(older);
        }
        Store store(path);
        compareSearch(store, keyword, found);
        while (TextIndex(*store.db).catchUp()) {
        }
        compareSearch(store, keyword, found);
        for (const qint64 viewer : store.users)
            QCOMPARE(text(store.conversationList(viewer)), text(listAsBefore(*store.db, store.messages(), viewer)));
    }

    void searchOnDatabaseOfTheTriggers_data() { searchThroughIndex_data(); }
    // A data directory whose counts and indexes were kept by triggers in the database opens
    // with the same results: the index is made again in a file of its own, the counts are
    // counted.
    void searchOnDatabaseOfTheTriggers()
    {
        QFETCH(QString, keyword);
        QFETCH(int, found);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"triggers.sqlite3"_s);
        {
            Store older(path);
            backToTriggerStep(*older.db);
            writeSearchedMessages(older);
            QVERIFY(older.db->scalar(u"SELECT SUM(unread_count) FROM conversation_members"_s).toInt() > 0);
        }
        Store store(path);
        QVERIFY(!store.db->scalar(u"SELECT 1 FROM sqlite_master WHERE name IN ('message_text', 'unread_on_send')"_s).isValid());
        compareSearch(store, keyword, found);
        while (TextIndex(*store.db).catchUp()) {
        }
        compareSearch(store, keyword, found);
        for (const qint64 viewer : store.users)
            QCOMPARE(text(store.conversationList(viewer)), text(listAsBefore(*store.db, store.messages(), viewer)));
    }

    void auditSearch_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("found");
        QTest::newRow("every message") << QString() << 15;
        QTest::newRow("CJK, four characters") << u"周末爬山"_s << 1;
        QTest::newRow("CJK, one character") << u"山"_s << 2;
        QTest::newRow("Latin, two characters in either case") << u"HE"_s << 4;
        QTest::newRow("Latin, one character") << u"w"_s << 5;
        QTest::newRow("non-ASCII, one character in the other case") << u"ä"_s << 3;
        QTest::newRow("non-ASCII, two characters in the other cases") << u"Ä Ä"_s << 3;
        QTest::newRow("non-ASCII, two characters") << u" Ä"_s << 3;
        QTest::newRow("non-ASCII, one character, written in the other case") << u"é"_s << 1;
        QTest::newRow("non-ASCII, two characters, written in the other case") << u"éc"_s << 1;
        QTest::newRow("Greek, written in the other case") << u"ωM"_s << 1;
        QTest::newRow("non-ASCII, written in the other case") << u"école ω"_s << 1;
        QTest::newRow("emoji alone") << u"🎉"_s << 1;
        QTest::newRow("percent alone") << u"%"_s << 1;
        QTest::newRow("underscore as a character") << u"%_off"_s << 1;
        QTest::newRow("quotes") << u"\"Weekend\""_s << 0;
        QTest::newRow("a blank") << u" "_s << 13;
        QTest::newRow("revoked words are audited") << u"withdrawn"_s << 1;
        QTest::newRow("words deleted by an administrator") << u"forbidden"_s << 1;
        QTest::newRow("deleted by a member for himself") << u"gone-for-bob"_s << 1;
        QTest::newRow("edited: the old text") << u"old wording"_s << 0;
        QTest::newRow("edited: the new text") << u"new phrasing"_s << 1;
        QTest::newRow("erased from the database") << u"erased"_s << 0;
        QTest::newRow("a sender's name, or a text naming him") << u"bob"_s << 6;
        QTest::newRow("a sender's name, two characters") << u"ca"_s << 5;
        QTest::newRow("senders and texts, fewer texts") << u"ob"_s << 6;
        QTest::newRow("a letter of texts and of senders' names") << u"o"_s << 13;
        QTest::newRow("senders and texts, fewer sent") << u"B"_s << 7;
        QTest::newRow("no match") << u"zebra crossing"_s << 0;
    }

    // The audit finds what reading every message found, page by page, however far the
    // text index has caught up.
    void auditSearch()
    {
        QFETCH(QString, search);
        QFETCH(int, found);
        for (const QString& progress : { u"none"_s, u"half"_s, u"all"_s, u"before the edit"_s }) {
            QTemporaryDir dir;
            Store store(dir.filePath(u"audit.sqlite3"_s));
            const auto catchUp = [&store](int messages) {
                TextIndex index(*store.db);
                while (index.catchUp(messages) && messages == TextIndex::kMaxChunk) {
                }
            };
            writeSearchedMessages(store, [&] {
                if (progress == u"before the edit")
                    catchUp(TextIndex::kMaxChunk);
            });
            // Letters beyond ASCII in one case only; a sender whose text names him.
            store.send(store.users[3], store.conversations().openPrivate(store.users[3], store.users[0]), u"ÉCOLE Ωmega"_s);
            store.send(store.users[1], store.conversations().openPrivate(store.users[1], store.users[2]), u"bob speaking"_s);
            if (progress == u"half")
                catchUp(store.db->scalar(u"SELECT COUNT(*) FROM messages"_s).toInt() / 2);
            if (progress == u"all")
                catchUp(TextIndex::kMaxChunk);
            for (const auto& [page, limit] : { std::pair(1, 30), std::pair(1, 2), std::pair(2, 2), std::pair(3, 3), std::pair(9, 30) }) {
                const PageRequest request { page, limit, search };
                const QJsonObject expected = auditAsBefore(*store.db, request);
                QCOMPARE(expected[u"total"_s].toInteger(), found);
                try {
                    QCOMPARE(text(MessageAudit(*store.db).list(request)), text(expected));
                } catch (const std::exception& error) {
                    QFAIL(error.what());
                }
                if (QTest::currentTestFailed()) {
                    qWarning().noquote() << "page" << page << "of" << limit << "with the index caught up:" << progress;
                    return;
                }
            }
        }
    }

    void auditCostIsFlat_data()
    {
        QTest::addColumn<QString>("search");
        QTest::newRow("first page of every message") << QString();
        QTest::newRow("a text, through its trigrams") << u"needle"_s;
        QTest::newRow("a text, through its pairs") << u"ZQ"_s;
        QTest::newRow("a sender's name") << u"ALIC"_s;
        QTest::newRow("no match") << u"nowhere at all"_s;
    }

    // A page of the audit reads as many rows with four times the messages around it: what
    // the table holds beyond the page and the matches is never visited.
    void auditCostIsFlat()
    {
        QFETCH(QString, search);
        QTemporaryDir dir;
        Store store(dir.filePath(u"flat.sqlite3"_s));
        const qint64 alice = store.users[0], bob = store.users[1];
        const qint64 chat = store.conversations().openPrivate(alice, bob);
        const auto fill = [&](int count) {
            Database::Transaction transaction(*store.db);
            for (int i = 0; i < count; ++i)
                store.send(bob, chat, u"filler number %1 of the chat"_s.arg(i));
            transaction.commit();
        };
        const auto stepsOfAPage = [&] {
            while (TextIndex(*store.db).catchUp()) {
            }
            // The index in one piece each time: how many pieces it is in at a moment
            // (each costs a look-up of the key) is the index's own affair.
            for (const QString& table : { u"message_text"_s, u"message_pairs"_s })
                store.db->run(u"INSERT INTO text_index.%1(%1) VALUES ('optimize')"_s.arg(table));
            MessageAudit audit(*store.db);
            audit.list({ 1, 30, search }); // the kept count and the statements made once
            qint64 steps = 0;
            store.db->countSteps(&steps);
            const QJsonObject page = audit.list({ 1, 30, search });
            store.db->countSteps(nullptr);
            return std::pair(steps, page);
        };
        fill(500);
        for (int i = 0; i < 40; ++i)
            store.send(i % 4 ? bob : alice, chat, i % 2 ? u"a needle in the haystack"_s : u"zq and ZQ"_s);
        fill(500);
        const auto [smaller, smallPage] = stepsOfAPage();
        fill(3000);
        const auto [larger, largePage] = stepsOfAPage();
        QCOMPARE(largePage[u"total"_s].toInteger() - smallPage[u"total"_s].toInteger(), search.isEmpty() ? 3000 : 0);
        QVERIFY2(larger <= smaller + smaller / 10, qPrintable(u"%1 steps at 1,040 messages, %2 at 4,040"_s.arg(smaller).arg(larger)));
    }

    void unreadCountsOfBatches_data()
    {
        // Steps: "send" a batch (sender letters a, b, c, d, and x for dan while outside),
        // "read c", "delete d" (dan deletes the conversation for himself), "revoke" bob's
        // first message, "remove" carol's first by an administrator, "join d", "count"
        // (the kept counts take in what was stored).
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("several senders in one batch") << QStringList { u"send abcbca"_s };
        QTest::newRow("read between batches") << QStringList { u"send abc"_s, u"read c"_s, u"send bba"_s };
        QTest::newRow("read, then counted") << QStringList { u"send abc"_s, u"read c"_s, u"count"_s, u"send bba"_s };
        QTest::newRow("counted, then read") << QStringList { u"send abc"_s, u"count"_s, u"send b"_s, u"read c"_s, u"send a"_s };
        QTest::newRow("deleted by one member between batches") << QStringList { u"send abc"_s, u"delete d"_s, u"send cb"_s };
        QTest::newRow("revoked before it was counted") << QStringList { u"send babc"_s, u"revoke"_s, u"count"_s, u"send a"_s };
        QTest::newRow("revoked after it was counted") << QStringList { u"send babc"_s, u"count"_s, u"revoke"_s, u"send a"_s };
        QTest::newRow("removed by an administrator after counting") << QStringList { u"send cab"_s, u"count"_s, u"remove"_s };
        QTest::newRow("removed by an administrator before") << QStringList { u"send cab"_s, u"remove"_s, u"count"_s };
        QTest::newRow("a member joins between batches") << QStringList { u"send abc"_s, u"join d"_s, u"send b"_s };
        QTest::newRow("a member joins after counting") << QStringList { u"send abc"_s, u"count"_s, u"join d"_s, u"send b"_s, u"count"_s };
        QTest::newRow("a member joins with messages not counted yet") << QStringList { u"send abc"_s, u"count"_s, u"send b"_s, u"join d"_s };
        QTest::newRow("a refused send among them, then the sender joins") << QStringList { u"send axb"_s, u"join d"_s, u"send d"_s };
        QTest::newRow("everything read, then revoked") << QStringList { u"send bc"_s, u"read c"_s, u"revoke"_s };
    }

    // Messages stored by the writer in batches count as unread for exactly the members
    // who have not read them, as counting them one by one did, whenever the kept counts
    // take them in: after every step, or only where the steps say.
    void unreadCountsOfBatches()
    {
        QFETCH(QStringList, steps);
        for (const bool countEveryStep : { false, true }) {
            QTemporaryDir dir;
            const QString path = dir.filePath(u"unread.sqlite3"_s);
            Store store(path);
            const qint64 alice = store.users[0], bob = store.users[1], carol = store.users[2], dan = store.users[3];
            const qint64 group = store.conversations().createGroup(alice, u"club"_s, { bob, carol });
            if (!steps.contains(u"join d"_s))
                store.db->insert(u"INSERT INTO conversation_members (conversation_id, user_id, joined_at) VALUES (?, ?, 't')"_s, { group, dan });
            const QHash<QChar, qint64> senders { { u'a', alice }, { u'b', bob }, { u'c', carol }, { u'd', dan }, { u'x', dan } };
            MessageWriter writer(path);
            int sent = 0;
            int unread = 0;
            for (const QString& step : steps) {
                if (step.startsWith(u"send "_s)) {
                    QList<PendingMessage> batch;
                    for (const QChar sender : step.mid(5)) {
                        OutgoingMessage message;
                        message.clientMsgId = u"m%1"_s.arg(++sent);
                        message.conversationId = group;
                        message.type = u"text"_s;
                        message.content = u"from %1"_s.arg(sender);
                        batch.append({ senders.value(sender), message });
                    }
                    writer.submit(batch);
                    writer.waitForAll();
                    const QList<SendOutcome> outcomes = writer.takeWritten();
                    for (qsizetype i = 0; i < outcomes.size(); ++i) {
                        QVERIFY(!outcomes[i].failed);
                        // Only dan before he joined is refused.
                        QCOMPARE(outcomes[i].refusal.has_value(), step.at(5 + i) == u'x');
                    }
                } else if (step == u"read c") {
                    QVERIFY(store.conversations().markRead(group, carol));
                } else if (step == u"delete d") {
                    store.conversations().deleteForUser(group, dan);
                } else if (step == u"revoke") {
                    store.messages().revoke(store.db->scalar(u"SELECT MIN(id) FROM messages WHERE sender_id = ?"_s, { bob }).toLongLong(), bob);
                } else if (step == u"remove") {
                    MessageAudit(*store.db).remove(store.db->scalar(u"SELECT MIN(id) FROM messages WHERE sender_id = ?"_s, { carol }).toLongLong());
                } else if (step == u"join d") {
                    store.db->insert(u"INSERT INTO conversation_members (conversation_id, user_id, joined_at) VALUES (?, ?, 't')"_s, { group, dan });
                }
                if (step == u"count" || countEveryStep)
                    UnreadCounts(*store.db).countNew();
                for (const qint64 viewer : store.users) {
                    const QJsonArray expected = listAsBefore(*store.db, store.messages(), viewer);
                    QCOMPARE(text(store.conversationList(viewer)), text(expected));
                    for (const QJsonValue& row : expected)
                        unread += row[u"unreadCount"_s].toInt();
                }
            }
            // Not lists of zeros: something is counted.
            QVERIFY(unread > 0);
        }
    }

    void markingReadWritesOneRow_data()
    {
        QTest::addColumn<int>("unread");
        QTest::newRow("one unread") << 1;
        QTest::newRow("three hundred unread") << 300;
    }

    // However many messages wait, marking read changes the member's row only; the
    // others' messages then show as read, except to a sender in a block with the reader.
    void markingReadWritesOneRow()
    {
        QFETCH(int, unread);
        QTemporaryDir dir;
        Store store(dir.filePath(u"read.sqlite3"_s));
        const qint64 alice = store.users[0], bob = store.users[1], carol = store.users[2];
        const qint64 group = store.conversations().createGroup(alice, u"club"_s, { bob, carol });
        const qint64 fromCarol = store.send(carol, group, u"from carol"_s);
        for (int i = 0; i < unread; ++i)
            store.send(bob, group, u"from bob"_s);
        const qint64 own = store.send(alice, group, u"alice's own"_s);
        store.db->exec(u"UPDATE contacts SET blocked = 1 WHERE user_id = ? AND contact_id = ?"_s, { alice, carol });

        const qint64 changesBefore = store.db->scalar(u"SELECT total_changes()"_s).toLongLong();
        QCOMPARE(store.conversations().markRead(group, alice), std::optional<qint64>(own));
        QCOMPARE(store.db->scalar(u"SELECT total_changes()"_s).toLongLong() - changesBefore, 2);

        const auto status = [&store](qint64 id) { return store.messages().messageJson(id).value().value(u"status"_s).toString(); };
        QCOMPARE(status(own - 1), u"read"_s);
        QCOMPARE(status(fromCarol), u"sent"_s);
        QCOMPARE(status(own), u"sent"_s);
        // A device of bob's that learns of its message late does not take "read" back.
        QVERIFY(!store.messages().markDelivered(own - 1, carol));
        QCOMPARE(status(own - 1), u"read"_s);
        QVERIFY(store.messages().markDelivered(own, bob));
        QCOMPARE(status(own), u"delivered"_s);
        QCOMPARE(store.conversationList(alice).first().toObject().value(u"unreadCount"_s).toInt(), 0);
        QCOMPARE(store.conversationList(carol).first().toObject().value(u"unreadCount"_s).toInt(), unread + 1);
    }

    void memberLists_data()
    {
        QTest::addColumn<int>("distinct");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("members");
        QTest::newRow("duplicates within the limit") << 3 << 4 << 4;
        QTest::newRow("exactly the limit, the owner added") << 499 << 1 << 500;
        QTest::newRow("over the limit by one") << 500 << 1 << -1;
        // Removing duplicates pair by pair took seconds here; the limit comes first now.
        QTest::newRow("far over the limit") << 300000 << 1 << -1;
        QTest::newRow("far over the limit in duplicates") << 3 << 100000 << -1;
    }

    // The list a request carries is checked against the group limit before its ids are
    // looked at, and duplicates count once.
    void memberLists()
    {
        QFETCH(int, distinct);
        QFETCH(int, copies);
        QFETCH(int, members);
        QTemporaryDir dir;
        Store store(dir.filePath(u"members.sqlite3"_s));
        const qint64 alice = store.users[0];
        QList<qint64> ids;
        for (int copy = 0; copy < copies; ++copy) {
            for (int i = 0; i < distinct; ++i)
                ids.append(i < 3 ? store.users[1 + i] : 1000 + i);
        }
        // Contacts for the ids beyond the three fixed users, so that a group of the
        // limit's size can be made.
        if (members == 500) {
            Database::Transaction transaction(*store.db);
            for (int i = 3; i < distinct; ++i) {
                const qint64 id = store.db->insert(u"INSERT INTO users (id, username, name, password_hash, password_salt,"
                                                   " password_iterations, created_at, updated_at)"
                                                   " VALUES (?, ?, 'x', x'00', x'00', 1, 't', 't')"_s,
                    { 1000 + i, u"u%1"_s.arg(i) });
                store.db->insert(u"INSERT INTO contacts (user_id, contact_id, created_at) VALUES (?, ?, 't')"_s, { alice, id });
                store.db->insert(u"INSERT INTO contacts (user_id, contact_id, created_at) VALUES (?, ?, 't')"_s, { id, alice });
            }
            transaction.commit();
        }
        // What the refusal costs at these sizes is a line of bench/server_data.
        if (members < 0) {
            QVERIFY_THROWS_EXCEPTION(ServerError, store.conversations().createGroup(alice, u"crowd"_s, ids));
            return;
        }
        const qint64 group = store.conversations().createGroup(alice, u"crowd"_s, ids);
        QCOMPARE(store.conversations().memberIds(group).size(), members);
    }

    void memberListsOverHttp_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("ids");
        QTest::addColumn<int>("status");
        QTest::newRow("group, the largest body of distinct ids") << u"group"_s << -1 << 400;
        QTest::newRow("private, three ids") << u"private"_s << 3 << 400;
        QTest::newRow("private, the largest body of distinct ids") << u"private"_s << -1 << 400;
        QTest::newRow("private, the other and the caller") << u"private"_s << 0 << 200;
    }

    // conversations.create refuses a list over its limit whatever its size (what that
    // costs at the largest body is a line of bench/server_data) and takes a private
    // conversation's two members.
    void memberListsOverHttp()
    {
        QFETCH(QString, type);
        QFETCH(int, ids);
        QFETCH(int, status);
        testsupport::ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ApiClient alice(server.baseUrl());
        ApiClient bob(server.baseUrl());
        alice.registerUser(u"alice"_s);
        bob.registerUser(u"bob"_s);
        QJsonArray members;
        if (ids == 0)
            members = { bob.userId(), alice.userId() };
        for (int i = 0; ids < 0 ? members.size() * 8 + 200 < HttpFront::kMaxBody : i < ids; ++i)
            members.append(1000000 + i);
        const HttpResult result = alice.mutation(u"conversations.create"_s,
            QJsonObject { { u"type"_s, type }, { u"name"_s, u"crowd"_s }, { u"memberIds"_s, members } });
        QCOMPARE(result.status, status);
    }

private:
    void compareSearch(Store& store, const QString& keyword, int found)
    {
        const qint64 bob = store.users[1];
        for (const qint64 limit : { 1, 2, 50 }) {
            const QJsonArray expected = searchAsBefore(*store.db, bob, keyword, limit);
            QCOMPARE(expected.size(), qMin<qint64>(found, limit));
            const QJsonObject result = GlobalSearch(*store.db).search(bob, keyword, limit);
            QCOMPARE(text(result.value(u"messages"_s).toArray()), text(expected));
        }
    }
};

QTEST_GUILESS_MAIN(TestServerStoreCosts)
#include "tst_server_store_costs.moc"
