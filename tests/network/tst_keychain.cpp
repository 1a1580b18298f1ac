#include "RecordingHttpServer.h"
#include "TaskRunner.h"
#include "network/APIClient.h"
#include "network/ClientIdService.h"
#include "network/FileSecretStore.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr auto ownerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto ownerDirectory = ownerFile | QFileDevice::ExeOwner;
// QFileInfo repeats the owner bits as "user" bits when we are the owner.
constexpr QFileDevice::Permissions userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;

QFileDevice::Permissions permissions(const QString& path) { return QFileInfo(path).permissions() & ~userBits; }

// Answers like the desktop keyring: every job spins an event loop before its answer,
// so whatever is queued meanwhile runs inside the call. Counts the calls and those
// that began while another was still waiting.
class SpinningStore final : public SecretStore {
public:
    MemorySecretStore values;
    int calls = 0;
    int reentered = 0;

    bool write(const QString& account, const QByteArray& data) override { return spin(), values.write(account, data); }
    Loaded read(const QString& account) override { return spin(), values.read(account); }
    bool remove(const QString& account) override { return spin(), values.remove(account); }
    QString name() const override { return u"spinning"_s; }

private:
    void spin()
    {
        ++calls;
        if (m_depth > 0)
            ++reentered;
        ++m_depth;
        QEventLoop loop;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
        loop.exec();
        --m_depth;
    }
    int m_depth = 0;
};

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

        // The signed-in user reads back as saved; bytes that are no user read as none,
        // and are left where they are.
        QVERIFY(keychain.save(R"({"id":7,"openId":"o","name":"n"})", u"cached_user"_s));
        QCOMPARE(keychain.getCachedUser().value_or(User {}).id, 7);
        QVERIFY(keychain.save(R"({"id":7,"name":"n"})", u"cached_user"_s));
        QVERIFY(!keychain.getCachedUser().has_value());
        QVERIFY(keychain.load(u"cached_user"_s).has_value());
    }

    // A save that fails leaves nothing under the key, in memory and in the store: the old
    // value (an earlier session's token, say) is never read in place of the new one.
    void failedSaveLeavesNothing()
    {
        auto store = std::make_unique<MemorySecretStore>();
        MemorySecretStore* memory = store.get();
        KeychainService keychain(std::move(store));
        QVERIFY(keychain.save("old", u"refresh_token"_s));
        QVERIFY(keychain.save("other", u"auth_token"_s));
        memory->setFailWrites(true);
        QVERIFY(!keychain.save("new", u"refresh_token"_s));
        QVERIFY(!keychain.load(u"refresh_token"_s).has_value());
        QCOMPARE(memory->read(u"refresh_token"_s).status, SecretStore::Status::NotFound);
        QCOMPARE(keychain.load(u"auth_token"_s).value_or(QByteArray()), QByteArray("other"));
    }

    // After the first read of each item, requests, channel sign-ins and typing never
    // wait on the keyring, so nothing runs re-entrantly inside them.
    void hotPathsNeverWaitOnTheStore()
    {
        auto owned = std::make_unique<SpinningStore>();
        SpinningStore* store = owned.get();
        for (const char* key : { "auth_token", "refresh_token", "device_unique_id" })
            store->values.write(QLatin1StringView(key), "v");
        store->values.write(u"cached_user"_s, R"({"id":1,"openId":"o1","name":"one"})");
        KeychainService keychain(std::move(owned));
        ClientIdService ids(keychain);
        RecordingHttpServer server;
        server.respond(u"/api/x"_s, { 200, "{}" });
        APIClient api(server.baseUrl(), keychain);

        QVERIFY(keychain.loadText(u"auth_token"_s));
        QVERIFY(keychain.getCachedUser());
        QCOMPARE(*ids.getOrCreateDeviceId(), u"v"_s);
        QCOMPARE(store->calls, 3);

        int done = 0;
        for (int i = 0; i < 5; ++i) {
            QTimer::singleShot(0, [&] {
                QVERIFY(keychain.getCachedUser());
                QCOMPARE(*ids.getOrCreateDeviceId(), u"v"_s);
                [](APIClient& client, int& finished) -> QCoro::Task<> {
                    co_await client.request<EmptyResponse>("GET", u"/api/x"_s);
                    ++finished;
                }(api, done);
            });
        }
        QTRY_COMPARE(done, 5);
        QCOMPARE(store->calls, 3);
        QCOMPARE(store->reentered, 0);
        for (const auto& request : server.requests())
            QCOMPARE(request.header("Authorization"), QByteArray("Bearer v"));

        // Written through: the next read sees the new value without asking the store.
        QVERIFY(keychain.saveText(u"w"_s, u"auth_token"_s));
        QVERIFY(keychain.remove(u"cached_user"_s));
        QCOMPARE(keychain.loadText(u"auth_token"_s).value_or(QString()), u"w"_s);
        QVERIFY(!keychain.getCachedUser());
        QCOMPARE(store->calls, 5);
    }

    // A store that fails to answer is never remembered as "nothing stored".
    void failedReadStaysAFailure()
    {
        auto owned = std::make_unique<MemorySecretStore>();
        MemorySecretStore* store = owned.get();
        store->write(u"auth_token"_s, "t");
        KeychainService keychain(std::move(owned));
        store->setUnreadable(u"auth_token"_s);
        for (int attempt = 0; attempt < 2; ++attempt)
            QCOMPARE(keychain.loadEntry(u"auth_token"_s).status, SecretStore::Status::Failed);
        store->setUnreadable({});
        QCOMPARE(keychain.loadText(u"auth_token"_s).value_or(QString()), u"t"_s);
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
