// The text index in its file of its own: texts that change or go leave it, a file found
// beside another database starts again, the indexer thread catches up with the writer,
// and storing sends never waits for the index.

#include "live/MessageWriter.h"
#include "store/Database.h"
#include "store/GlobalSearch.h"
#include "store/TextIndex.h"
#include "store/TextIndexer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Alice and Bob in one private conversation.
struct Fixture {
    explicit Fixture(const QString& name = u"t.sqlite3"_s)
        : path(dir.filePath(name))
        , db(std::make_unique<Database>(path))
    {
        for (const QString& user : { u"alice"_s, u"bob"_s }) {
            users << db->insert(u"INSERT INTO users (username, name, password_hash, password_salt, password_iterations, created_at,"
                                " updated_at) VALUES (?, ?, x'00', x'00', 1, 't', 't')"_s,
                { user, user });
        }
        chat = db->insert(u"INSERT INTO conversations (type, created_at, updated_at) VALUES ('private', 't', 't')"_s, {});
        for (const qint64 user : users)
            db->insert(u"INSERT INTO conversation_members (conversation_id, user_id, joined_at) VALUES (?, ?, 't')"_s, { chat, user });
    }

    PendingMessage text(const QString& content)
    {
        OutgoingMessage message;
        message.clientMsgId = u"c%1"_s.arg(++sent);
        message.conversationId = chat;
        message.type = u"text"_s;
        message.content = content;
        return { users[0], message };
    }

    // Stores the messages through the writer; their ids.
    QList<qint64> store(const QStringList& contents)
    {
        MessageWriter writer(path);
        QList<PendingMessage> batch;
        for (const QString& content : contents)
            batch << text(content);
        writer.submit(batch);
        writer.waitForAll();
        QList<qint64> ids;
        for (const SendOutcome& outcome : writer.takeWritten())
            ids << (outcome.failed || outcome.refusal ? -1 : outcome.stored.messageId);
        return ids;
    }

    void catchUp()
    {
        TextIndex index(*db);
        while (index.catchUp()) {
        }
    }

    // How many entries of the trigram index hold the phrase.
    int indexed(const QString& phrase)
    {
        TextIndex index(*db);
        return db->scalar(u"SELECT COUNT(*) FROM text_index.message_text WHERE message_text MATCH ?"_s, { u'"' + phrase + u'"' }).toInt();
    }

    QStringList found(const QString& keyword)
    {
        QStringList texts;
        for (const QJsonValue& message : GlobalSearch(*db).search(users[1], keyword, 50).value(u"messages"_s).toArray())
            texts << message[u"content"_s].toString();
        return texts;
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Database> db;
    QList<qint64> users;
    qint64 chat = 0;
    int sent = 0;
};

} // namespace

class TestServerTextIndex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void changedTextsLeaveTheIndex_data()
    {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<int>("oldWords");
        QTest::addColumn<int>("newWords");
        QTest::newRow("edited") << QStringList { u"edit"_s } << 0 << 1;
        QTest::newRow("edited twice") << QStringList { u"edit"_s, u"edit again"_s } << 0 << 1;
        QTest::newRow("erased") << QStringList { u"erase"_s } << 0 << 0;
        QTest::newRow("edited, then erased") << QStringList { u"edit"_s, u"erase"_s } << 0 << 0;
        QTest::newRow("edited between two catch-ups") << QStringList { u"edit"_s, u"catch up"_s, u"edit again"_s } << 0 << 1;
        QTest::newRow("taken back (it stays, unfound)") << QStringList { u"revoke"_s } << 1 << 0;
    }

    // Once the index has caught up it holds each message's text as it is now: the words
    // a text lost are gone from it, not only filtered out of the answers.
    void changedTextsLeaveTheIndex()
    {
        QFETCH(QStringList, changes);
        QFETCH(int, oldWords);
        QFETCH(int, newWords);
        Fixture f;
        const QList<qint64> ids = f.store({ u"first draft of the plan"_s, u"unrelated chatter"_s });
        f.catchUp();
        QCOMPARE(f.indexed(u"first draft"_s), 1);
        for (const QString& change : changes) {
            if (change == u"edit")
                f.db->run(u"UPDATE messages SET content = 'final version of the plan' WHERE id = ?"_s, { ids[0] });
            else if (change == u"edit again")
                f.db->run(u"UPDATE messages SET content = 'final version, really' WHERE id = ?"_s, { ids[0] });
            else if (change == u"erase")
                f.db->run(u"DELETE FROM messages WHERE id = ?"_s, { ids[0] });
            else if (change == u"revoke")
                f.db->run(u"UPDATE messages SET revoked_at = 't' WHERE id = ?"_s, { ids[0] });
            else
                f.catchUp();
        }
        f.catchUp();
        QCOMPARE(f.indexed(u"first draft"_s), oldWords);
        QCOMPARE(f.indexed(u"final version"_s), newWords);
        QCOMPARE(f.indexed(u"unrelated chatter"_s), 1);
        QCOMPARE(f.found(u"final version"_s).size(), newWords);
        QCOMPARE(f.found(u"first draft"_s).size(), 0);
        QCOMPARE(f.db->scalar(u"SELECT COUNT(*) FROM message_text_changes"_s).toInt(), 0);
        for (const QString& table : { u"message_text"_s, u"message_pairs"_s })
            f.db->run(u"INSERT INTO text_index.%1(%1, rank) VALUES ('integrity-check', 0)"_s.arg(table));
    }

    // The index's file takes its own lock: a send is stored while the index is being
    // written, however long that takes.
    void sendsDoNotWaitForTheIndex()
    {
        Fixture f;
        f.store({ u"before the index"_s });
        Database indexing(f.path);
        TextIndex index(indexing);
        Database::Transaction writingTheIndex(indexing, Database::Transaction::Start::Deferred);
        indexing.run(u"UPDATE text_index.index_state SET indexed_through = indexed_through"_s);

        QCOMPARE(f.store({ u"sent while the index is written"_s }).value(0), 2);
        writingTheIndex.commit();
        QCOMPARE(f.found(u"while the index"_s), QStringList { u"sent while the index is written"_s });
    }

    // An index file made for another database (left beside a database put back from a
    // copy) is not believed: it is emptied and made again.
    void anIndexFileOfAnotherDatabaseStartsAgain()
    {
        Fixture other(u"other.sqlite3"_s);
        other.store({ u"words of the other database"_s });
        other.catchUp();
        QCOMPARE(TextIndex(*other.db).state().indexedThrough, 1);

        Fixture f;
        f.store({ u"words of this database"_s, u"more of this database"_s });
        other.db.reset();
        QVERIFY(QFile::copy(TextIndex::filePathFor(other.path), TextIndex::filePathFor(f.path)));
        QCOMPARE(TextIndex(*f.db).state().indexedThrough, 0);
        f.catchUp();
        QCOMPARE(f.indexed(u"other database"_s), 0);
        QCOMPARE(f.found(u"database"_s).size(), 2);
    }

    // The indexer, the reading thread and the event loop may all open a new index file at
    // the same moment: each finds it made, once.
    void connectionsOpeningANewFileAtOnceTakeTurns()
    {
        for (int round = 0; round < 5; ++round) {
            Fixture f;
            f.store({ u"a message to index"_s });
            std::atomic<int> failures = 0;
            QList<QThread*> threads;
            for (int i = 0; i < 6; ++i) {
                threads << QThread::create([&f, &failures] {
                    try {
                        Database db(f.path);
                        TextIndex index(db);
                        index.catchUp();
                    } catch (const DatabaseError& error) {
                        qWarning() << error.what();
                        ++failures;
                    }
                });
            }
            for (QThread* thread : threads)
                thread->start();
            for (QThread* thread : threads) {
                thread->wait();
                delete thread;
            }
            QCOMPARE(failures.load(), 0);
            QCOMPARE(f.indexed(u"to index"_s), 1);
        }
    }

    // What the indexer wrote stays in the index file's WAL until it has nothing to do for a
    // while; then the WAL is copied into the file and emptied, and when a search was still
    // reading it, once the search is done.
    void anIdleIndexerEmptiesItsWal_data()
    {
        QTest::addColumn<bool>("searchReading");
        QTest::newRow("nothing else reading") << false;
        QTest::newRow("a search reading the index meanwhile") << true;
    }

    void anIdleIndexerEmptiesItsWal()
    {
        QFETCH(bool, searchReading);
        Fixture f;
        QStringList texts;
        for (int i = 0; i < 2000; ++i)
            texts << u"message number %1 with a few words to index"_s.arg(i);
        f.store(texts);
        const QString wal = TextIndex::filePathFor(f.path) + u"-wal"_s;
        TextIndexer indexer(f.path);
        QTRY_COMPARE_WITH_TIMEOUT(TextIndex(*f.db).state().indexedThrough, 2000, 30000);
        if (searchReading) {
            Database search(f.path);
            const TextIndex attached(search);
            search.run(u"BEGIN"_s);
            QVERIFY(search.scalar(u"SELECT COUNT(*) FROM text_index.message_pairs"_s).toInt() > 0);
            QTest::qWait(3 * TextIndexer::kIdleCheckpointMs);
            search.run(u"ROLLBACK"_s);
        }
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(wal).size() == 0, 10 * TextIndexer::kIdleCheckpointMs);
        QCOMPARE(f.indexed(u"number 1999"_s), 1);
    }

    // Indexing is background work: on a busy machine the threads of the sends come first.
    void theIndexerGivesWayToTheSends()
    {
#ifdef Q_OS_LINUX
        Fixture f;
        TextIndexer indexer(f.path);
        const auto niceness = [] {
            // The thread's stat, after its name in parentheses: niceness is the 17th field.
            for (const QString& task : QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                QFile comm(u"/proc/self/task/%1/comm"_s.arg(task));
                QFile stat(u"/proc/self/task/%1/stat"_s.arg(task));
                if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "text indexer" || !stat.open(QIODevice::ReadOnly))
                    continue;
                const QByteArray line = stat.readAll();
                return line.mid(line.lastIndexOf(')') + 2).split(' ').value(16).toInt();
            }
            return -100;
        };
        QTRY_COMPARE(niceness(), TextIndexer::kNiceness);
#else
        QSKIP("thread niceness is read from Linux's /proc");
#endif
    }

    // The indexer takes in what the writer stored, and the texts that changed, on its own.
    void theIndexerCatchesUp()
    {
        Fixture f;
        TextIndexer indexer(f.path);
        QList<qint64> ids;
        for (int batch = 0; batch < 5; ++batch) {
            QStringList contents;
            for (int i = 0; i < 50; ++i)
                contents << u"batch %1 message %2"_s.arg(batch).arg(i);
            ids << f.store(contents);
        }
        QCOMPARE(ids.size(), 250);
        QTRY_COMPARE_WITH_TIMEOUT(TextIndex(*f.db).state().indexedThrough, ids.last(), 30000);
        QCOMPARE(f.indexed(u"message 7"_s), 5);

        f.db->run(u"UPDATE messages SET content = 'rewritten' WHERE id = ?"_s, { ids.first() });
        QTRY_COMPARE_WITH_TIMEOUT(f.db->scalar(u"SELECT COUNT(*) FROM message_text_changes"_s).toInt(), 0, 30000);
        QCOMPARE(f.indexed(u"rewritten"_s), 1);
        QCOMPARE(f.indexed(u"batch 0 message 0"_s), 0);
    }
};

QTEST_GUILESS_MAIN(TestServerTextIndex)
#include "tst_server_text_index.moc"
