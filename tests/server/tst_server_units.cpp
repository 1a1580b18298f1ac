// Unit tests of morvane-server's dense parts: the command line, stored passwords,
// content types of uploads and the store's transactions and migrations.

#include "Database.h"
#include "Passwords.h"
#include "ServerOptions.h"
#include "Uploads.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList args(const char* text)
{
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

class TestServerUnits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("dataDir");
        QTest::addColumn<bool>("demo");
        QTest::addColumn<qint64>("ttl");
        const QString defaultDir = ServerOptions::defaultDataDir();
        QTest::newRow("defaults") << QStringList {} << true << "127.0.0.1" << 8787 << defaultDir << false << qint64(3600);
        QTest::newRow("everything") << args("--host ::1 --port 0 --data-dir /tmp/d --demo --token-ttl 60")
                                    << true << "::1" << 0 << "/tmp/d" << true << qint64(60);
        QTest::newRow("inline values") << args("--port=9000 --token-ttl=0") << true << "127.0.0.1" << 9000 << defaultDir << false << qint64(0);
        QTest::newRow("port too big") << args("--port 65536") << false << "" << 0 << "" << false << qint64(0);
        QTest::newRow("port not a number") << args("--port http") << false << "" << 0 << "" << false << qint64(0);
        QTest::newRow("missing value") << args("--data-dir") << false << "" << 0 << "" << false << qint64(0);
        QTest::newRow("host name") << args("--host example.org") << false << "" << 0 << "" << false << qint64(0);
        QTest::newRow("negative ttl") << args("--token-ttl -5") << false << "" << 0 << "" << false << qint64(0);
        QTest::newRow("unknown") << args("--verbose") << false << "" << 0 << "" << false << qint64(0);
        QTest::newRow("demo with a value") << args("--demo=yes") << false << "" << 0 << "" << false << qint64(0);
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, valid);
        QString error;
        const auto options = ServerOptions::parse(arguments, &error);
        QCOMPARE(options.has_value(), valid);
        if (!valid) {
            QVERIFY(!error.isEmpty());
            return;
        }
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, dataDir);
        QFETCH(bool, demo);
        QFETCH(qint64, ttl);
        QCOMPARE(options->host, host);
        QCOMPARE(int(options->port), port);
        QCOMPARE(options->dataDir, dataDir);
        QCOMPARE(options->demo, demo);
        QCOMPARE(options->tokenTtlSeconds, ttl);
    }

    void passwords()
    {
        const passwords::Digest digest = passwords::make(u"密码 secret"_s, 1000);
        QCOMPARE(digest.hash.size(), 32);
        QCOMPARE(digest.salt.size(), 16);
        QVERIFY(passwords::verify(u"密码 secret"_s, digest));
        QVERIFY(!passwords::verify(u"密码 Secret"_s, digest));
        QVERIFY(!passwords::verify(QString(), digest));
        // The same password gets another salt and so another digest.
        QVERIFY(passwords::make(u"密码 secret"_s, 1000).hash != digest.hash);
        passwords::Digest otherSalt = digest;
        otherSalt.salt[0] = char(otherSalt.salt[0] ^ 1);
        QVERIFY(!passwords::verify(u"密码 secret"_s, otherSalt));
        passwords::Digest fewerRounds = digest;
        fewerRounds.iterations = 999;
        QVERIFY(!passwords::verify(u"密码 secret"_s, fewerRounds));
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
