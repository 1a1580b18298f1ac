// Runs inside a private D-Bus session with an unlocked gnome-keyring (see
// keyring-session.sh); the ctest entry sets that up.
#include "network/KeychainService.h"
#include "network/KeyringSecretStore.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

class TestKeyring : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Outside its private session this program would write to, and lock, the keyring
    // of whoever runs it.
    void initTestCase()
    {
        if (!qEnvironmentVariableIsSet("MORVANE_TEST_PRIVATE_KEYRING"))
            QSKIP("runs only inside keyring-session.sh (ctest -R tst_keyring)");
    }

    void probeFindsAWorkingKeyring()
    {
        QVERIFY(KeyringSecretStore(QStringLiteral("org.morvane.test.probe")).probe());
    }

    // Not forced to a store, the keychain probes and takes the working keyring.
    void sharedKeychainUsesTheKeyring()
    {
        qunsetenv("MORVANE_SECRET_STORE");
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

    // Runs last: it locks the session's keyring. A locked keyring answers "not found"
    // for what it holds; that must read as a failure, never as "signed out".
    void lockedKeyringIsAFailureNotAnEmptyStore()
    {
        KeyringSecretStore store(QStringLiteral("org.morvane.test.locked"));
        QVERIFY(store.write(QStringLiteral("refresh_token"), "kept"));
        const QStringList lock { u"--session"_s, u"--dest=org.freedesktop.secrets"_s, u"--type=method_call"_s, u"--print-reply"_s,
                                 u"/org/freedesktop/secrets"_s, u"org.freedesktop.Secret.Service.Lock"_s,
                                 u"array:objpath:/org/freedesktop/secrets/aliases/default"_s };
        QCOMPARE(QProcess::execute(u"dbus-send"_s, lock), 0);
        QCOMPARE(store.read(QStringLiteral("refresh_token")).status, SecretStore::Status::Failed);
        QCOMPARE(store.read(QStringLiteral("never_saved")).status, SecretStore::Status::Failed);
    }
};

QTEST_GUILESS_MAIN(TestKeyring)
#include "tst_keyring.moc"
