#include "network/FileSecretStore.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr auto ownerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto ownerDirectory = ownerFile | QFileDevice::ExeOwner;
// QFileInfo repeats the owner bits as "user" bits when we are the owner.
constexpr QFileDevice::Permissions userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;

QFileDevice::Permissions permissions(const QString& path) { return QFileInfo(path).permissions() & ~userBits; }

} // namespace

class TestKeychain : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void saveLoadDelete_data()
    {
        QTest::addColumn<bool>("file");
        QTest::newRow("memory") << false;
        QTest::newRow("file") << true;
    }
    void saveLoadDelete()
    {
        QFETCH(bool, file);
        KeychainService keychain(file ? std::unique_ptr<SecretStore>(std::make_unique<FileSecretStore>(m_dir.filePath(u"s"_s)))
                                      : std::make_unique<MemorySecretStore>());
        const QString key = u"auth_token"_s;
        QVERIFY(keychain.remove(key)); // never saved: still "gone"
        QVERIFY(keychain.save("first", key));
        QVERIFY(keychain.saveText(u"令牌-2"_s, key)); // over the existing item
        QCOMPARE(keychain.loadText(key).value_or(QString()), u"令牌-2"_s);
        QVERIFY(keychain.save({}, u"refresh_token"_s)); // empty is a value, not a missing item
        QVERIFY(keychain.load(u"refresh_token"_s).has_value());
        QVERIFY(keychain.save(QByteArray("\xff\xfe", 2), key));
        QVERIFY(!keychain.loadText(key).has_value()); // not UTF-8: no text
        QVERIFY(keychain.remove(key));
        QVERIFY(!keychain.load(key).has_value());
        QVERIFY(keychain.load(u"refresh_token"_s).has_value());
    }

    void failedSaveKeepsPreviousValue()
    {
        auto store = std::make_unique<MemorySecretStore>();
        MemorySecretStore* memory = store.get();
        KeychainService keychain(std::move(store));
        QVERIFY(keychain.save("old", u"refresh_token"_s));
        memory->setFailWrites(true);
        QVERIFY(!keychain.save("new", u"refresh_token"_s));
        QCOMPARE(keychain.load(u"refresh_token"_s).value_or(QByteArray()), QByteArray("old"));
    }

    void fileStoreIsOwnerOnly()
    {
        const QString directory = m_dir.filePath(u"nested/secrets"_s);
        FileSecretStore store(directory);
        QVERIFY(store.write(u"auth_token"_s, "secret"));
        QCOMPARE(permissions(directory), ownerDirectory);
        QCOMPARE(permissions(directory + u"/auth_token"_s), ownerFile);
        // A directory that an older run left open to others is closed again.
        QVERIFY(QFile::setPermissions(directory, ownerDirectory | QFileDevice::ReadOther | QFileDevice::ExeOther));
        QVERIFY(store.write(u"auth_token"_s, "again"));
        QCOMPARE(permissions(directory), ownerDirectory);
        // Account names never become paths outside the directory.
        QVERIFY(!store.write(u"../escape"_s, "x"));
        QVERIFY(!store.write(u".."_s, "x"));
        QVERIFY(!QFile::exists(m_dir.filePath(u"nested/escape"_s)));
    }

    void fileStoreReplacesAtomically()
    {
        FileSecretStore store(m_dir.filePath(u"atomic"_s));
        QVERIFY(store.write(u"cached_user"_s, "old value"));
        // A reader of the old file keeps reading the old bytes: the new value is a new
        // file renamed over the old one, never written into it.
        QFile reader(store.directory() + u"/cached_user"_s);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY(store.write(u"cached_user"_s, "new"));
        QCOMPARE(reader.readAll(), QByteArray("old value"));
        QCOMPARE(store.read(u"cached_user"_s).data, QByteArray("new"));
        QCOMPARE(QDir(store.directory()).entryList(QDir::Files | QDir::Hidden), QStringList { u"cached_user"_s });
    }
};

QTEST_GUILESS_MAIN(TestKeychain)
#include "tst_keychain.moc"
