#include "network/FileSecretStore.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr auto ownerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto ownerDirectory = ownerFile | QFileDevice::ExeOwner;
// QFileInfo repeats the owner bits as "user" bits when we are the owner.
constexpr QFileDevice::Permissions userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;

} // namespace

class TestKeychain : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    std::unique_ptr<SecretStore> makeStore(const QString& kind, const QString& service = QStringLiteral("a")) const
    {
        if (kind == u"file")
            return std::make_unique<FileSecretStore>(m_dir.path() + u'/' + service);
        return std::make_unique<MemorySecretStore>();
    }

private Q_SLOTS:
    void saveLoadDelete_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("memory") << QStringLiteral("memory");
        QTest::newRow("file") << QStringLiteral("file");
    }

    void saveLoadDelete()
    {
        QFETCH(QString, kind);
        KeychainService keychain(makeStore(kind, kind));
        const QString key = QStringLiteral("auth_token");

        QVERIFY(!keychain.load(key).has_value());
        QVERIFY(keychain.remove(key)); // never saved: still "gone"
        QVERIFY(keychain.save("first", key));
        QVERIFY(keychain.saveText(QStringLiteral("令牌-2"), key));
        QCOMPARE(keychain.loadText(key).value_or(QString()), QStringLiteral("令牌-2"));
        QVERIFY(keychain.save({}, QStringLiteral("refresh_token"))); // empty is a value, not a missing item
        QVERIFY(keychain.load(QStringLiteral("refresh_token")).has_value());

        QVERIFY(keychain.save(QByteArray("\xff\xfe", 2), key));
        QVERIFY(keychain.load(key).has_value());
        QVERIFY(!keychain.loadText(key).has_value()); // not UTF-8: no text

        QVERIFY(keychain.remove(key));
        QVERIFY(!keychain.load(key).has_value());
        QVERIFY(keychain.load(QStringLiteral("refresh_token")).has_value());
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
        QCOMPARE(QFileInfo(directory).permissions() & ~userBits, ownerDirectory);
        QCOMPARE(QFileInfo(directory + QStringLiteral("/auth_token")).permissions() & ~userBits, ownerFile);

        // A directory that an older run left open to others is closed again.
        QVERIFY(QFile::setPermissions(directory, ownerDirectory | QFileDevice::ReadOther | QFileDevice::ExeOther));
        QVERIFY(store.write(QStringLiteral("auth_token"), "again"));
        QCOMPARE(QFileInfo(directory).permissions() & ~userBits, ownerDirectory);

        // Account names never become paths outside the directory.
        QVERIFY(!store.write(QStringLiteral("../escape"), "x"));
        QVERIFY(!store.write(QStringLiteral(".."), "x"));
        QVERIFY(!QFile::exists(m_dir.path() + QStringLiteral("/nested/escape")));
    }

    void fileStoreReplacesAtomically()
    {
        FileSecretStore store(m_dir.path() + QStringLiteral("/atomic"));
        QVERIFY(store.write(QStringLiteral("cached_user"), "old value"));

        // A reader of the old file keeps reading the old bytes: the new value is a new
        // file renamed over the old one, never written into it.
        QFile reader(store.directory() + QStringLiteral("/cached_user"));
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY(store.write(QStringLiteral("cached_user"), "new"));
        QCOMPARE(reader.readAll(), QByteArray("old value"));
        QCOMPARE(store.read(QStringLiteral("cached_user")).data, QByteArray("new"));
        QCOMPARE(QDir(store.directory()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("cached_user") });
    }
};

QTEST_GUILESS_MAIN(TestKeychain)
#include "tst_keychain.moc"
