// Runs inside a private D-Bus session with an unlocked gnome-keyring (see
// keyring-session.sh); the ctest entry sets that up.
#include "network/KeychainService.h"
#include "network/KeyringSecretStore.h"

#include <QTest>

class TestKeyring : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void probeFindsAWorkingKeyring()
    {
        QVERIFY(KeyringSecretStore(QStringLiteral("org.morvane.test.probe")).probe());
    }

    void sharedKeychainUsesTheKeyring()
    {
        KeychainService& keychain = KeychainService::shared();
        QCOMPARE(keychain.store().name(), QStringLiteral("keyring"));
        const QString key = QStringLiteral("auth_token");

        QVERIFY(keychain.remove(key));
        QVERIFY(!keychain.load(key).has_value());
        QVERIFY(keychain.save("first", key));
        QVERIFY(keychain.save(QStringLiteral("第二").toUtf8(), key));
        QCOMPARE(keychain.loadText(key).value_or(QString()), QStringLiteral("第二"));

        // Same account under another service: neither read nor deleted by us.
        KeyringSecretStore other(QStringLiteral("org.morvane.test.other"));
        QVERIFY(other.write(key, "other"));
        QVERIFY(keychain.remove(key));
        QVERIFY(!keychain.load(key).has_value());
        QCOMPARE(other.read(key).data, QByteArray("other"));
        QVERIFY(other.remove(key));
        QCOMPARE(other.read(key).status, SecretStore::Status::NotFound);
    }
};

QTEST_GUILESS_MAIN(TestKeyring)
#include "tst_keyring.moc"
