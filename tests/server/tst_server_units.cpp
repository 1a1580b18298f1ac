// Unit tests of morvane-server's dense parts: the command line, stored passwords,
// content types of uploads and the store's transactions and migrations.

#include "Passwords.h"
#include "ServerOptions.h"
#include "store/Database.h"
#include "store/Uploads.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestServerUnits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // expected: "host port data-dir demo ttl", or empty when refused.
    void options_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("expected");
        const QString defaultDir = ServerOptions::defaultDataDir();
        QTest::newRow("defaults") << "" << u"127.0.0.1 8787 %1 0 3600"_s.arg(defaultDir);
        QTest::newRow("everything") << "--host ::1 --port 0 --data-dir /tmp/d --demo --token-ttl 60" << "::1 0 /tmp/d 1 60";
        QTest::newRow("inline values") << "--port=9000 --token-ttl=0" << u"127.0.0.1 9000 %1 0 0"_s.arg(defaultDir);
        for (const char* refused : { "--port 65536", "--port http", "--data-dir", "--host example.org", "--token-ttl -5", "--verbose", "--demo=yes" })
            QTest::newRow(refused) << refused << "";
    }
    void options()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, expected);
        QString error;
        const auto options = ServerOptions::parse(arguments.split(u' ', Qt::SkipEmptyParts), &error);
        QCOMPARE(options ? u"%1 %2 %3 %4 %5"_s.arg(options->host).arg(options->port).arg(options->dataDir).arg(int(options->demo)).arg(options->tokenTtlSeconds)
                         : QString(),
                 expected);
        QCOMPARE(error.isEmpty(), !expected.isEmpty());
    }

    void passwords()
    {
        const QString password = u"密码 secret"_s;
        const passwords::Digest digest = passwords::make(password, 1000);
        QVERIFY(passwords::verify(password, digest));
        QVERIFY(!passwords::verify(u"密码 Secret"_s, digest));
        QVERIFY(!passwords::verify(QString(), digest));
        // The same password gets another salt and so another digest.
        QVERIFY(passwords::make(password, 1000).hash != digest.hash);
        passwords::Digest changed = digest;
        changed.salt[0] = char(changed.salt[0] ^ 1);
        QVERIFY(!passwords::verify(password, changed));
        changed = digest;
        changed.iterations = 999;
        QVERIFY(!passwords::verify(password, changed));
    }

    void contentTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("valid");
        QTest::newRow("image") << "image/jpeg" << true;
        QTest::newRow("vendor") << "application/vnd.ms-excel" << true;
        QTest::newRow("parameter") << "text/plain; charset=utf-8" << true;
        QTest::newRow("no subtype") << "image" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("line break") << "text/plain\r\nSet-Cookie: a=b" << false;
        QTest::newRow("space inside") << "text/ plain" << false;
        QTest::newRow("too long") << (u"a/"_s + QString(300, u'b')) << false;
    }

    void contentTypes()
    {
        QFETCH(QString, type);
        QFETCH(bool, valid);
        QCOMPARE(Uploads::isValidContentType(type), valid);
    }

    void nestedTransactionRollsBackAlone()
    {
        QTemporaryDir dir;
        Database db(dir.filePath(u"t.sqlite3"_s));
        {
            Database::Transaction outer(db);
            db.exec(u"INSERT INTO meta (key, value) VALUES ('outer', '1')"_s);
            try {
                Database::Transaction inner(db);
                db.exec(u"INSERT INTO meta (key, value) VALUES ('inner', '1')"_s);
                db.exec(u"INSERT INTO meta (key, value) VALUES ('outer', 'duplicate')"_s);
                inner.commit();
            } catch (const DatabaseError&) {
            }
            outer.commit();
        }
        QVERIFY(db.scalar(u"SELECT value FROM meta WHERE key = 'outer'"_s).isValid());
        QVERIFY(!db.scalar(u"SELECT value FROM meta WHERE key = 'inner'"_s).isValid());
        {
            Database::Transaction abandoned(db);
            db.exec(u"INSERT INTO meta (key, value) VALUES ('abandoned', '1')"_s);
        }
        QVERIFY(!db.scalar(u"SELECT value FROM meta WHERE key = 'abandoned'"_s).isValid());
    }

    void migrationsRunOnceAndRefuseNewerSchemas()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"m.sqlite3"_s);
        int version = 0;
        {
            Database db(path);
            version = db.schemaVersion();
            QVERIFY(version >= 1);
            db.exec(u"INSERT INTO meta (key, value) VALUES ('kept', '1')"_s);
        }
        {
            Database again(path);
            QCOMPARE(again.schemaVersion(), version);
            QVERIFY(again.scalar(u"SELECT value FROM meta WHERE key = 'kept'"_s).isValid());
            again.exec(u"PRAGMA user_version = %1"_s.arg(version + 1));
        }
        QVERIFY_THROWS_EXCEPTION(DatabaseError, Database { path });
    }
};

QTEST_GUILESS_MAIN(TestServerUnits)
#include "tst_server_units.moc"
