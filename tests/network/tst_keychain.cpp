#include "network/FileSecretStore.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestKeychain : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SecretStore> makeStore(const QString& kind, const QString& service = QStringLiteral("a"))
    {
        if (kind == u"file")
            return std::make_unique<FileSecretStore>(m_dir.path() + u'/' + service);
        return std::make_unique<MemorySecretStore>();
    }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void saveLoadDelete_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("memory") << QStringLiteral("memory");
        QTest::newRow("file") << QStringLiteral("file");
    }

    void saveLoadDelete()
    {
        QFETCH(QString, kind);
        KeychainService keychain(makeStore(kind));
        const QString key = QStringLiteral("auth_token");

        QVERIFY(!keychain.load(key).has_value());
        QVERIFY(keychain.remove(key)); // never saved: still "gone"

        QVERIFY(keychain.save("first", key));
        QVERIFY(keychain.save("second", key));
        QCOMPARE(keychain.load(key).value_or("missing"), QByteArray("second"));

        // An empty value is a value, not a missing item.
        QVERIFY(keychain.save({}, QStringLiteral("refresh_token")));
        QVERIFY(keychain.load(QStringLiteral("refresh_token")).has_value());

        QVERIFY(keychain.remove(key));
        QVERIFY(!keychain.load(key).has_value());
        QVERIFY(keychain.load(QStringLiteral("refresh_token")).has_value());
    }

    void textMustBeUtf8_data() { saveLoadDelete_data(); }

    void textMustBeUtf8()
    {
        QFETCH(QString, kind);
        KeychainService keychain(makeStore(kind));
        QVERIFY(keychain.saveText(QStringLiteral("令牌-42"), QStringLiteral("auth_token")));
        QCOMPARE(keychain.loadText(QStringLiteral("auth_token")).value_or(QString()), QStringLiteral("令牌-42"));
        QVERIFY(keychain.save(QByteArray("\xff\xfe\x80", 3), QStringLiteral("auth_token")));
        QVERIFY(keychain.load(QStringLiteral("auth_token")).has_value());
        QVERIFY(!keychain.loadText(QStringLiteral("auth_token")).has_value());
    }

    void servicesAreSeparate()
    {
        KeychainService ours(makeStore(QStringLiteral("file"), QStringLiteral("ours")));
        KeychainService theirs(makeStore(QStringLiteral("file"), QStringLiteral("theirs")));
        QVERIFY(theirs.save("theirs", QStringLiteral("auth_token")));
        QVERIFY(!ours.load(QStringLiteral("auth_token")).has_value());
        QVERIFY(ours.save("ours", QStringLiteral("auth_token")));
        QVERIFY(ours.remove(QStringLiteral("auth_token")));
        QCOMPARE(theirs.load(QStringLiteral("auth_token")).value_or(QByteArray()), QByteArray("theirs"));
    }

    void failedSaveKeepsPreviousValue()
    {
        auto store = std::make_unique<MemorySecretStore>();
        MemorySecretStore* memory = store.get();
        KeychainService keychain(std::move(store));
        QVERIFY(keychain.save("old", QStringLiteral("refresh_token")));
        memory->setFailWrites(true);
        QVERIFY(!keychain.save("new", QStringLiteral("refresh_token")));
        QCOMPARE(keychain.load(QStringLiteral("refresh_token")).value_or(QByteArray()), QByteArray("old"));
    }

    void fileStoreIsOwnerOnly()
    {
        const QString directory = m_dir.path() + QStringLiteral("/nested/secrets");
        FileSecretStore store(directory);
        QVERIFY(store.write(QStringLiteral("auth_token"), "secret"));

        const auto ownerAll = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        QCOMPARE(QFileInfo(directory).permissions() & ~QFileDevice::Permissions(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser), ownerAll);
        const QFileDevice::Permissions filePermissions = QFileInfo(directory + QStringLiteral("/auth_token")).permissions();
        QCOMPARE(filePermissions & ~QFileDevice::Permissions(QFileDevice::ReadUser | QFileDevice::WriteUser), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        // A directory that an older run left open to others is closed again.
        QVERIFY(QFile::setPermissions(directory, ownerAll | QFileDevice::ReadOther | QFileDevice::ExeOther));
        QVERIFY(store.write(QStringLiteral("auth_token"), "again"));
        QVERIFY(!(QFileInfo(directory).permissions() & (QFileDevice::ReadOther | QFileDevice::ExeOther)));
    }

    void fileStoreReplacesAtomically()
    {
        FileSecretStore store(m_dir.path() + QStringLiteral("/s"));
        QVERIFY(store.write(QStringLiteral("cached_user"), "old value"));

        // A reader that opened the old file keeps reading the old bytes: the new
        // value arrives as a new file renamed over the old one, never written into it.
        QFile reader(store.directory() + QStringLiteral("/cached_user"));
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY(store.write(QStringLiteral("cached_user"), "new"));
        QCOMPARE(reader.readAll(), QByteArray("old value"));
        QCOMPARE(store.read(QStringLiteral("cached_user")).data, QByteArray("new"));
        QCOMPARE(QDir(store.directory()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("cached_user") });
    }

    void fileStoreRefusesPathsAsAccounts_data()
    {
        QTest::addColumn<QString>("account");
        QTest::newRow("parent") << QStringLiteral("..");
        QTest::newRow("slash") << QStringLiteral("../escape");
        QTest::newRow("empty") << QString();
    }

    void fileStoreRefusesPathsAsAccounts()
    {
        QFETCH(QString, account);
        FileSecretStore store(m_dir.path() + QStringLiteral("/s/t"));
        QVERIFY(!store.write(account, "x"));
        QVERIFY(!QFile::exists(m_dir.path() + QStringLiteral("/s/escape")));
    }
};

QTEST_GUILESS_MAIN(TestKeychain)
#include "tst_keychain.moc"
