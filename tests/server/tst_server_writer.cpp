// The message writer: batches of sends stored on its own thread and connection.

#include "http/ServerError.h"
#include "live/MessageWriter.h"
#include "store/Conversations.h"
#include "store/Database.h"
#include "store/Messages.h"
#include "store/TextIndexer.h"
#include "store/UnreadCounts.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Alice and Bob share a private conversation and a group; Mallory is in neither.
struct Fixture {
    QTemporaryDir dir;
    QString path = dir.filePath(u"w.sqlite3"_s);
    std::unique_ptr<Database> db = std::make_unique<Database>(path);
    qint64 alice = addUser(u"alice"_s);
    qint64 bob = addUser(u"bob"_s);
    qint64 mallory = addUser(u"mallory"_s);
    qint64 privateChat = addConversation(u"private"_s, { alice, bob });
    qint64 group = addConversation(u"group"_s, { alice, bob });

    qint64 addUser(const QString& name)
    {
        return db->insert(u"INSERT INTO users (username, name, password_hash, password_salt, password_iterations, created_at,"
                          " updated_at) VALUES (?, ?, x'00', x'00', 1, 't', 't')"_s,
            { name, name });
    }

    qint64 addConversation(const QString& type, const QList<qint64>& members)
    {
        const qint64 id = db->insert(u"INSERT INTO conversations (type, created_at, updated_at) VALUES (?, 't', 't')"_s, { type });
        if (type == u"group")
            db->insert(u"INSERT INTO chat_groups (conversation_id, name, owner_id, created_at, updated_at) VALUES (?, 'g', ?, 't', 't')"_s,
                { id, members.first() });
        for (const qint64 member : members)
            db->insert(u"INSERT INTO conversation_members (conversation_id, user_id, joined_at) VALUES (?, ?, 't')"_s, { id, member });
        return id;
    }

    qint64 databaseBytes() const { return QFileInfo(path).size(); }
    qint64 walBytes() const { return QFileInfo(path + u"-wal"_s).size(); }

    // Commits rows of about 200 bytes each from the event loop's connection, which leaves
    // checkpoints to the writer: they stay in the WAL.
    void commitToWal(int rows)
    {
        db->setCheckpointPages(0);
        Database::Transaction transaction(*db);
        for (int i = 0; i < rows; ++i)
            db->insert(u"INSERT INTO meta (key, value) VALUES (?, ?)"_s, { u"k%1"_s.arg(i), QString(200, u'x') });
        transaction.commit();
    }

    PendingMessage text(qint64 sender, qint64 conversation, const QString& clientMsgId) const
    {
        OutgoingMessage message;
        message.clientMsgId = clientMsgId;
        message.conversationId = conversation;
        message.type = u"text"_s;
        message.content = u"hello"_s;
        return { sender, message };
    }
};

// Waits until the idle writer's checkpoint has brought the files there.
bool waitForCheckpoint(const std::function<bool()>& reached)
{
    return QTest::qWaitFor(reached, testsupport::patience(10 * MessageWriter::kIdleCheckpointMs));
}

// "stored", "repeat of N" (the batch's message N), or the refusal's status.
QStringList describe(const QList<SendOutcome>& outcomes)
{
    QStringList described;
    for (const SendOutcome& outcome : outcomes) {
        if (outcome.failed) {
            described.append(u"failed"_s);
        } else if (outcome.refusal) {
            described.append(QString::number(outcome.refusal->httpStatus()));
        } else if (outcome.stored.duplicate) {
            const auto first = std::find_if(outcomes.cbegin(), outcomes.cend(), [&](const SendOutcome& o) {
                return !o.stored.duplicate && o.stored.messageId == outcome.stored.messageId;
            });
            described.append(u"repeat of %1"_s.arg(first - outcomes.cbegin()));
        } else {
            described.append(u"stored"_s);
        }
    }
    return described;
}

} // namespace

class TestServerWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oneBatch_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("sends");
        QTest::addColumn<QStringList>("expected");

        // A send is "sender conversation clientMsgId"; senders a(lice), b(ob), m(allory);
        // conversations p(rivate) and g(roup).
        QTest::newRow("a repeat in the same batch") << QString()
            << QStringList { u"a p 1"_s, u"a p 1"_s, u"b p 1"_s } << QStringList { u"stored"_s, u"repeat of 0"_s, u"stored"_s };
        QTest::newRow("a stranger between members") << QString()
            << QStringList { u"a g 1"_s, u"m g 2"_s, u"b g 3"_s, u"m p 4"_s }
            << QStringList { u"stored"_s, u"404"_s, u"stored"_s, u"404"_s };
        QTest::newRow("an id reused in another conversation") << QString()
            << QStringList { u"a p 1"_s, u"a g 1"_s, u"a g 2"_s } << QStringList { u"stored"_s, u"409"_s, u"stored"_s };
        QTest::newRow("a block stops the private chat only") << u"block"_s
            << QStringList { u"a p 1"_s, u"b p 2"_s, u"a g 3"_s, u"b g 4"_s }
            << QStringList { u"403"_s, u"403"_s, u"stored"_s, u"stored"_s };
        QTest::newRow("a dissolved group") << u"dissolve"_s
            << QStringList { u"a g 1"_s, u"b p 2"_s } << QStringList { u"403"_s, u"stored"_s };
        QTest::newRow("a bad message among good ones") << QString()
            << QStringList { u"a p 1"_s, u"a p "_s, u"a p 3"_s } << QStringList { u"stored"_s, u"400"_s, u"stored"_s };
    }

    void oneBatch()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, sends);
        QFETCH(QStringList, expected);
        Fixture f;
        if (setup == u"block")
            f.db->insert(u"INSERT INTO contacts (user_id, contact_id, blocked, created_at) VALUES (?, ?, 1, 't')"_s, { f.bob, f.alice });
        if (setup == u"dissolve")
            f.db->run(u"UPDATE chat_groups SET is_active = 0"_s);

        QList<PendingMessage> batch;
        for (const QString& send : sends) {
            const QStringList parts = send.split(u' ');
            const qint64 sender = parts[0] == u"a" ? f.alice : parts[0] == u"b" ? f.bob : f.mallory;
            batch.append(f.text(sender, parts[1] == u"p" ? f.privateChat : f.group, parts[2]));
        }
        MessageWriter writer(f.path);
        writer.submit(batch);
        writer.waitForAll();
        const QList<SendOutcome> outcomes = writer.takeWritten();
        QCOMPARE(describe(outcomes), expected);
        QCOMPARE(f.db->scalar(u"SELECT COUNT(*) FROM messages"_s).toInt(), int(expected.count(u"stored"_s)));
        QVERIFY(writer.takeWritten().isEmpty());
    }

    void laterBatchesSeeOtherConnectionsChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected");
        QTest::newRow("block") << u"INSERT INTO contacts (user_id, contact_id, blocked, created_at) VALUES (2, 1, 1, 't')"_s << u"403"_s;
        QTest::newRow("removal") << u"DELETE FROM conversation_members WHERE user_id = 1"_s << u"404"_s;
        QTest::newRow("dissolution") << u"UPDATE chat_groups SET is_active = 0"_s << u"403"_s;
    }

    void laterBatchesSeeOtherConnectionsChanges()
    {
        // The writer remembers what a sender may do, but not past a change committed elsewhere.
        QFETCH(QString, change);
        QFETCH(QString, expected);
        Fixture f;
        QCOMPARE(f.alice, 1);
        QCOMPARE(f.bob, 2);
        const qint64 conversation = change.contains(u"chat_groups"_s) ? f.group : f.privateChat;
        MessageWriter writer(f.path);
        writer.submit({ f.text(f.alice, conversation, u"before"_s) });
        writer.waitForAll();
        QCOMPARE(describe(writer.takeWritten()), QStringList { u"stored"_s });
        f.db->run(change);
        writer.submit({ f.text(f.alice, conversation, u"after"_s) });
        writer.waitForAll();
        QCOMPARE(describe(writer.takeWritten()), QStringList { expected });
    }

    void storedMessagesCarryTheirMembers()
    {
        // Whom a message is delivered to: the members as the batch was committed.
        Fixture f;
        MessageWriter writer(f.path);
        const auto membersAfterSending = [&](const QString& clientMsgId) {
            writer.submit({ f.text(f.alice, f.group, clientMsgId), f.text(f.alice, f.group, clientMsgId) });
            writer.waitForAll();
            const QList<SendOutcome> outcomes = writer.takeWritten();
            return std::pair { outcomes.value(0).members, outcomes.value(1).members };
        };
        QCOMPARE(membersAfterSending(u"1"_s), (std::pair { QList<qint64> { f.alice, f.bob }, QList<qint64> {} }));
        f.db->insert(u"INSERT INTO conversation_members (conversation_id, user_id, joined_at) VALUES (?, ?, 't')"_s, { f.group, f.mallory });
        QCOMPARE(membersAfterSending(u"2"_s).first, (QList<qint64> { f.alice, f.bob, f.mallory }));
    }

    void deliveriesAreTheMessagesAsStored_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text") << u"text"_s;
        QTest::newRow("text beyond ASCII") << u"text beyond ASCII"_s;
        QTest::newRow("file with every detail") << u"file"_s;
        QTest::newRow("image without size or type") << u"image"_s;
        QTest::newRow("reply") << u"reply"_s;
        QTest::newRow("sender with a picture, in a group") << u"avatar"_s;
    }

    // A delivery is made from what the writer stored, not read back: it is the message as
    // reading it back gives it, field for field.
    void deliveriesAreTheMessagesAsStored()
    {
        QFETCH(QString, kind);
        Fixture f;
        const qint64 earlier = f.db->insert(u"INSERT INTO messages (conversation_id, sender_id, type, content, server_msg_id, created_at)"
                                            " VALUES (?, ?, 'text', 'earlier', 'e-1', 't')"_s,
            { f.privateChat, f.bob });
        PendingMessage pending = f.text(f.alice, kind == u"avatar" ? f.group : f.privateChat, u"m-1"_s);
        OutgoingMessage& message = pending.message;
        if (kind == u"text beyond ASCII")
            message.content = u"周末去爬山 🏔 \"quoted\"\nnext line"_s;
        if (kind == u"file" || kind == u"image") {
            message.type = kind;
            message.content = kind == u"file" ? std::optional(u"the caption"_s) : std::nullopt;
            message.fileUrl = u"/uploads/abc"_s;
            message.fileName = u"report.pdf"_s;
            if (kind == u"file") {
                message.fileSize = 123456789012;
                message.fileMimeType = u"application/pdf"_s;
            }
        }
        if (kind == u"reply")
            message.replyToId = earlier;
        if (kind == u"avatar")
            f.db->run(u"UPDATE users SET avatar = '/uploads/face', name = 'Alice Chen' WHERE id = ?"_s, { f.alice });

        MessageWriter writer(f.path);
        writer.submit({ pending });
        writer.waitForAll();
        const QList<SendOutcome> outcomes = writer.takeWritten();
        QCOMPARE(describe(outcomes), QStringList { u"stored"_s });
        Conversations conversations(*f.db);
        const std::optional<QJsonObject> readBack = Messages(*f.db, conversations).messageJson(outcomes[0].stored.messageId);
        QVERIFY(readBack);
        QCOMPARE(QJsonDocument(outcomes[0].record.toJson({})).toJson(), QJsonDocument(*readBack).toJson());
        if (kind == u"avatar") {
            // The picture travels inside the sender as well as beside it.
            QCOMPARE(readBack->value(u"sender"_s).toObject().value(u"avatar"_s).toString(), u"/uploads/face"_s);
            QCOMPARE(readBack->value(u"senderAvatar"_s).toString(), u"/uploads/face"_s);
        }
    }

    void aRenamedSenderIsDeliveredByTheNewName()
    {
        // The writer remembers who a sender is, but not past a change committed elsewhere.
        Fixture f;
        MessageWriter writer(f.path);
        const auto deliveredName = [&](const QString& clientMsgId) {
            writer.submit({ f.text(f.alice, f.privateChat, clientMsgId) });
            writer.waitForAll();
            return writer.takeWritten().value(0).record.toJson({}).value(u"senderName"_s).toString();
        };
        QCOMPARE(deliveredName(u"1"_s), u"alice"_s);
        f.db->run(u"UPDATE users SET name = 'Alice Chen' WHERE id = ?"_s, { f.alice });
        QCOMPARE(deliveredName(u"2"_s), u"Alice Chen"_s);
    }

    void storingShowsAConversationAgain()
    {
        Fixture f;
        f.db->run(u"UPDATE conversation_members SET hidden = 1 WHERE user_id = ?"_s, { f.bob });
        MessageWriter writer(f.path);
        writer.submit({ f.text(f.alice, f.privateChat, u"1"_s), f.text(f.mallory, f.group, u"2"_s) });
        writer.waitForAll();
        QCOMPARE(describe(writer.takeWritten()), (QStringList { u"stored"_s, u"404"_s }));
        const auto state = [&](qint64 conversation) {
            return u"hidden %1, time %2"_s
                .arg(f.db->scalar(u"SELECT hidden FROM conversation_members WHERE conversation_id = ? AND user_id = ?"_s,
                              { conversation, f.bob }).toInt())
                .arg(f.db->scalar(u"SELECT updated_at FROM conversations WHERE id = ?"_s, { conversation }).toString() == u"t"
                        ? u"kept"_s
                        : u"moved"_s);
        };
        QCOMPARE(state(f.privateChat), u"hidden 0, time moved"_s);
        QCOMPARE(state(f.group), u"hidden 1, time kept"_s);
    }

    void aConversationHiddenAgainIsShownAgain()
    {
        Fixture f;
        MessageWriter writer(f.path);
        const auto sendAndReadHidden = [&](const QString& clientMsgId) {
            writer.submit({ f.text(f.alice, f.privateChat, clientMsgId) });
            writer.waitForAll();
            writer.takeWritten();
            return f.db->scalar(u"SELECT hidden FROM conversation_members WHERE user_id = ?"_s, { f.bob }).toInt();
        };
        f.db->run(u"UPDATE conversation_members SET hidden = 1 WHERE user_id = ?"_s, { f.bob });
        QCOMPARE(sendAndReadHidden(u"1"_s), 0);
        f.db->run(u"UPDATE conversation_members SET hidden = 1 WHERE user_id = ?"_s, { f.bob });
        QCOMPARE(sendAndReadHidden(u"2"_s), 0);
    }

    void batchesAreAnsweredInOrder()
    {
        Fixture f;
        MessageWriter writer(f.path);
        QList<qint64> ids;
        for (int batch = 0; batch < 5; ++batch) {
            QList<PendingMessage> sends;
            for (int i = 0; i < 20; ++i)
                sends.append(f.text(f.alice, f.privateChat, u"%1-%2"_s.arg(batch).arg(i)));
            writer.submit(sends);
        }
        writer.waitForAll();
        for (const SendOutcome& outcome : writer.takeWritten())
            ids.append(outcome.stored.messageId);
        QCOMPARE(ids.size(), 100);
        QVERIFY(std::is_sorted(ids.cbegin(), ids.cend()));
        QCOMPARE(f.db->scalar(u"SELECT COUNT(DISTINCT client_msg_id) FROM messages"_s).toInt(), 100);
    }

    void stoppingStoresWhatWasSubmitted()
    {
        Fixture f;
        {
            MessageWriter writer(f.path);
            for (int i = 0; i < 50; ++i)
                writer.submit({ f.text(f.alice, f.privateChat, u"late-%1"_s.arg(i)) });
        }
        QCOMPARE(f.db->scalar(u"SELECT COUNT(*) FROM messages"_s).toInt(), 50);
    }

    void anIdleWriterCopiesTheWalIntoTheDatabase()
    {
        // The event loop's connection leaves checkpoints to the writer: what it commits stays
        // in the WAL until the writer, with nothing else to do, copies it over and empties
        // the WAL file, which would otherwise stay at its largest size.
        Fixture f;
        const qint64 before = f.databaseBytes();
        f.commitToWal(2000);
        QCOMPARE(f.databaseBytes(), before);
        QVERIFY(f.walBytes() > 200 * 2000);
        MessageWriter writer(f.path);
        QVERIFY(waitForCheckpoint([&] { return f.databaseBytes() > before + 200 * 2000; }));
        QVERIFY2(waitForCheckpoint([&] { return f.walBytes() == 0; }), qPrintable(u"the WAL holds %1 bytes"_s.arg(f.walBytes())));
    }

    // The idle checkpoint meets a reader still on an older snapshot (the text indexer
    // reading a long chunk does that): the event loop's writes go on meanwhile, instead
    // of waiting for the reader with it and failing after the busy time-out; the WAL is
    // emptied once the reader is done.
    void anIdleCheckpointNeverHoldsUpAWrite()
    {
        Fixture f;
        const qint64 before = f.databaseBytes();
        f.commitToWal(2000);
        Database reader(f.path);
        reader.run(u"BEGIN"_s);
        QCOMPARE(reader.scalar(u"SELECT COUNT(*) FROM meta WHERE key LIKE 'k%'"_s).toInt(), 2000);
        auto endRead = qScopeGuard([&] { reader.run(u"ROLLBACK"_s); });

        MessageWriter writer(f.path);
        QVERIFY(waitForCheckpoint([&] { return f.databaseBytes() > before + 200 * 2000; }));
        // Well below the time a checkpoint waits for the reader, far above any write's.
        f.db->scalar(u"PRAGMA busy_timeout = %1"_s.arg(Database::kBusyTimeoutMs / 3));
        for (int i = 0; i < 3; ++i) {
            try {
                f.db->run(u"INSERT INTO meta (key, value) VALUES (?, 'during')"_s, { u"during-%1"_s.arg(i) });
            } catch (const DatabaseError& error) {
                QFAIL(error.what());
            }
            QTest::qWait(MessageWriter::kIdleCheckpointMs / 2);
        }
        QVERIFY(f.walBytes() > 0);
        endRead.dismiss();
        reader.run(u"ROLLBACK"_s);
        QVERIFY2(waitForCheckpoint([&] { return f.walBytes() == 0; }), qPrintable(u"the WAL holds %1 bytes"_s.arg(f.walBytes())));
    }

    // A commit that starts the WAL over syncs it while it holds the write lock, and a
    // disk busy writing back can take seconds over that: a write of the event loop waits
    // for it (here a lock held a second longer than SQLite's usual time-out) instead of
    // failing, and comes after it.
    void aWriteWaitsOutASlowCommit()
    {
        Fixture f;
        constexpr int kHeldMs = 6000;
        std::atomic<bool> holding = false;
        std::atomic<bool> failed = false;
        std::thread holder([&] {
            try {
                Database other(f.path);
                Database::Transaction transaction(other);
                other.run(u"INSERT INTO meta (key, value) VALUES ('slow', 'first')"_s);
                holding = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(kHeldMs));
                transaction.commit();
            } catch (const DatabaseError&) {
                failed = true;
            }
        });
        auto join = qScopeGuard([&] { holder.join(); });
        QVERIFY(QTest::qWaitFor([&] { return holding.load() || failed.load(); }, testsupport::kPatienceMs));
        QVERIFY2(!failed, "the second connection could not take the lock");
        try {
            f.db->run(u"INSERT INTO meta (key, value) VALUES ('after', 'second')"_s);
        } catch (const DatabaseError& error) {
            QFAIL(error.what());
        }
        QCOMPARE(f.db->scalar(u"SELECT value FROM meta WHERE key = 'slow'"_s).toString(), u"first"_s);
    }

    // The server's threads run as soon as they are made, before it listens: a thread that
    // starts later takes descriptors (its event dispatcher's wake-up pipe) that a crowd of
    // connections may have taken by then, and without them Qt ends the process.
    void threadsRunOnceMade_data()
    {
        QTest::addColumn<QString>("thread");
        QTest::newRow("message writer") << u"message writer"_s;
        QTest::newRow("text indexer") << u"text indexer"_s;
    }

    void threadsRunOnceMade()
    {
        QFETCH(QString, thread);
        Fixture f;
        const std::unique_ptr<QThread> made = thread == u"message writer"
            ? std::unique_ptr<QThread>(std::make_unique<MessageWriter>(f.path))
            : std::unique_ptr<QThread>(std::make_unique<TextIndexer>(f.path));
        QVERIFY(made->eventDispatcher());
    }

    void theUnreadCountsTakeInWhatWasStored_data()
    {
        QTest::addColumn<int>("messages");
        // A pause after the sends lets the writer count them.
        QTest::newRow("a few, then a pause") << 30;
        // A flood leaves no pause: the writer counts on the way, then again in the pause.
        QTest::newRow("a flood") << UnreadCounts::kMaxUncounted + 10 * int(MessageWriter::kMaxBatch);
    }

    void theUnreadCountsTakeInWhatWasStored()
    {
        QFETCH(int, messages);
        Fixture f;
        UnreadCounts counts(*f.db);
        MessageWriter writer(f.path);
        QList<PendingMessage> flood;
        for (int i = 0; i < messages; ++i)
            flood.append(f.text(i % 2 ? f.alice : f.bob, f.group, u"%1"_s.arg(i)));
        writer.submit(flood);
        writer.waitForAll();
        // Counting during the flood happens between its batches, before the last commits.
        if (messages > UnreadCounts::kMaxUncounted)
            QVERIFY(counts.waiting() < UnreadCounts::kMaxUncounted);
        QTRY_COMPARE_WITH_TIMEOUT(counts.waiting(), 0, 30000);
        QCOMPARE(f.db->scalar(u"SELECT unread_count FROM conversation_members WHERE user_id = ? AND conversation_id = ?"_s,
                     { f.alice, f.group }).toInt(),
            messages / 2);
    }

    void theUnreadCountsStayRightAroundTheWritersCounting_data()
    {
        QTest::addColumn<bool>("countingFails");
        QTest::addColumn<bool>("readInBetween");
        QTest::newRow("counted twice") << false << false;
        QTest::newRow("read after a count") << false << true;
        QTest::newRow("a failed count is tried again") << true << false;
        QTest::newRow("read while counting fails") << true << true;
    }

    // Whether the writer has taken the sends into the kept counts, failed to, or not yet,
    // a member reads the same count; a count that failed leaves nothing half taken in and
    // is tried again without another send.
    void theUnreadCountsStayRightAroundTheWritersCounting()
    {
        QFETCH(bool, countingFails);
        QFETCH(bool, readInBetween);
        static std::atomic<int> failedCounts;
        failedCounts = 0;
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& line) {
            if (line.contains(u"Counting unread messages failed"_s))
                ++failedCounts;
            else
                previous(type, context, line);
        });
        const auto restore = qScopeGuard([] { qInstallMessageHandler(previous); });

        Fixture f;
        UnreadCounts counts(*f.db);
        Conversations conversations(*f.db);
        const auto unread = [&](qint64 member) {
            return f.db->scalar(u"SELECT %1 FROM conversation_members m WHERE m.user_id = ? AND m.conversation_id = ?"_s.arg(UnreadCounts::of(u"m"_s)),
                { member, f.group }).toInt();
        };
        const auto kept = [&](qint64 member) {
            return f.db->scalar(u"SELECT unread_count FROM conversation_members WHERE user_id = ? AND conversation_id = ?"_s, { member, f.group })
                .toInt();
        };
        int sent = 0;
        const auto sendFromAlice = [&](MessageWriter& writer, int n) {
            QList<PendingMessage> batch;
            for (int i = 0; i < n; ++i)
                batch.append(f.text(f.alice, f.group, u"n%1"_s.arg(++sent)));
            writer.submit(batch);
            writer.waitForAll();
        };
        // Counting is the only thing that writes the state it keeps.
        if (countingFails)
            f.db->exec(u"CREATE TRIGGER counting_refused BEFORE UPDATE ON unread_counts_state BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);

        MessageWriter writer(f.path);
        sendFromAlice(writer, 30);
        if (countingFails) {
            // Once at the pause, once more after the next checkpoint.
            QTRY_VERIFY_WITH_TIMEOUT(failedCounts >= 2, testsupport::patience(10 * MessageWriter::kIdleCheckpointMs));
            QCOMPARE(kept(f.bob), 0);
            QCOMPARE(counts.waiting(), 30);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(counts.waiting(), 0, testsupport::patience(10 * MessageWriter::kIdleCheckpointMs));
            QCOMPARE(kept(f.bob), 30);
        }
        QCOMPARE(unread(f.bob), 30);
        if (readInBetween) {
            QVERIFY(conversations.markRead(f.group, f.bob));
            QCOMPARE(unread(f.bob), 0);
        }
        sendFromAlice(writer, 5);
        const int expected = readInBetween ? 5 : 35;
        QCOMPARE(unread(f.bob), expected);
        if (countingFails)
            f.db->exec(u"DROP TRIGGER counting_refused"_s);
        QTRY_COMPARE_WITH_TIMEOUT(counts.waiting(), 0, testsupport::patience(10 * MessageWriter::kIdleCheckpointMs));
        QCOMPARE(kept(f.bob), expected);
        QCOMPARE(unread(f.bob), expected);
        QCOMPARE(unread(f.alice), 0);
    }

    void anUnopenableDatabaseIsReported()
    {
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(DatabaseError, MessageWriter(dir.filePath(u"missing/w.sqlite3"_s)));
    }
};

QTEST_GUILESS_MAIN(TestServerWriter)
#include "tst_server_writer.moc"
